#include "artwork.h"
#include "glyphs.h"
#include "holders.h"
#include "raster.h"

#include <QPainter>
#include <cmath>
#include <cstddef>
#include <vector>

namespace draw {

QImage SolvedBoard(const std::vector<Picture>& tiles, QRgb gap) {
    QImage board(4 * board::PitchX + 16, 4 * board::PitchY + 24, QImage::Format_RGB888);
    board.fill(QColor(gap));
    QPainter painter(&board);
    // Later tiles first, so where two overlap the lower-numbered one shows.
    for (size_t i = tiles.size(); i-- > 0;) {
        const int cell = static_cast<int>(i);
        painter.drawImage(QPoint(board::PitchX * (cell % 4), board::PitchY * (cell / 4)),
                          tiles[i].image);
    }
    return board;
}

namespace {

constexpr int kMargin = 16;
constexpr int kCellWidth = 104;
constexpr int kCellHeight = 116;
constexpr int kTitleHeight = 28;
constexpr QRgb kSheet = kWhite;

// The labels are set in the pictures' own typeface and inked where a pixel's
// centre falls inside a letter, like the digit tiles: the system's text
// smoothing changes from one FreeType release to the next, and the sheet
// must come out byte for byte the same wherever it is drawn again.
constexpr qreal kTitleSize = 16;
constexpr int kTitleBaseline = 20; // below the top of the title's band
constexpr qreal kLabelSize = 13;
constexpr int kLabelBaseline = 12; // below the top of the label's line

class Sheet {
  public:
    explicit Sheet(QImage& image) : image_(image) {}

    void Title(int y, const QString& text) {
        Write(text, kTitleSize, QPoint(kMargin, y + kTitleBaseline));
    }

    // A row of pictures, each with its holder number underneath.
    void Row(int y, const std::vector<Picture>& pictures, size_t from, size_t count) {
        for (size_t i = 0; i < count && from + i < pictures.size(); ++i) {
            const Picture& p = pictures[from + i];
            const int x = kMargin + static_cast<int>(i) * kCellWidth;
            Place(p.image, QPoint(x, y));
            Centre(QString::number(p.holder), x, p.image.width(), y + 96 + kLabelBaseline);
        }
    }

    void Board(QPoint at, const QImage& board, const QString& caption) {
        Place(board, at);
        Centre(caption, at.x(), board.width(), at.y() + board.height() + 2 + kLabelBaseline);
    }

  private:
    void Place(const QImage& picture, QPoint at) { QPainter(&image_).drawImage(at, picture); }

    // `text` with its pen starting on `baseline`.
    void Write(const QString& text, qreal pixelSize, QPoint baseline) {
        const QPainterPath outline = TextPath(text, pixelSize).translated(baseline);
        Paint(image_, Mask::FromPath(outline, image_.width(), image_.height()), kBlack);
    }

    // A label centred, to the whole pixel, over the `width` columns from `left`.
    void Centre(const QString& text, int left, int width, int baseline) {
        const QRectF ink = TextPath(text, kLabelSize).boundingRect();
        const auto x = static_cast<int>(std::lround(left + (width - ink.width()) / 2 - ink.left()));
        Write(text, kLabelSize, QPoint(x, baseline));
    }

    QImage& image_;
};

} // namespace

QImage ContactSheet(const std::vector<Picture>& digits, const std::vector<Picture>& pieces,
                    const std::vector<Picture>& cards) {
    const QImage digitBoard = SolvedBoard(digits, kSheet);
    const QImage pieceBoard = SolvedBoard(pieces, kSheet);
    const int rowsTop = kMargin;
    const int boardsTop = rowsTop + 3 * kTitleHeight + 5 * kCellHeight;
    QImage image(2 * kMargin + 9 * kCellWidth, boardsTop + kTitleHeight + digitBoard.height() + 40,
                 QImage::Format_RGB888);
    image.fill(QColor(kSheet));
    Sheet sheet(image);

    int y = rowsTop;
    sheet.Title(y, QStringLiteral("Digit tiles, holders %1-%2")
                       .arg(FirstDigitTile)
                       .arg(FirstDigitTile - 1 + TileCount));
    y += kTitleHeight;
    sheet.Row(y, digits, 0, 8);
    sheet.Row(y + kCellHeight, digits, 8, 8);
    y += 2 * kCellHeight;
    sheet.Title(y, QStringLiteral("Picture pieces, holders %1-%2")
                       .arg(FirstPictureTile)
                       .arg(FirstPictureTile - 1 + TileCount));
    y += kTitleHeight;
    sheet.Row(y, pieces, 0, 8);
    sheet.Row(y + kCellHeight, pieces, 8, 8);
    y += 2 * kCellHeight;
    sheet.Title(
        y, QStringLiteral("Card back and pair faces, holders %1-%2").arg(CardBack).arg(LastHolder));
    y += kTitleHeight;
    sheet.Row(y, cards, 0, 9);

    sheet.Title(
        boardsTop,
        QStringLiteral("Solved boards on the %1 x %2 pitch").arg(board::PitchX).arg(board::PitchY));
    const int boardY = boardsTop + kTitleHeight;
    sheet.Board(QPoint(kMargin, boardY), digitBoard,
                QStringLiteral("digit tiles %1-%2")
                    .arg(FirstDigitTile)
                    .arg(FirstDigitTile - 1 + TileCount));
    sheet.Board(QPoint(kMargin + digitBoard.width() + 40, boardY), pieceBoard,
                QStringLiteral("picture pieces %1-%2")
                    .arg(FirstPictureTile)
                    .arg(FirstPictureTile - 1 + TileCount));
    return image;
}

} // namespace draw
