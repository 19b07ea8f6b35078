#include "artwork.h"
#include "holders.h"

#include <QFont>
#include <QPainter>
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
constexpr QRgb kSheet = qRgb(0xFF, 0xFF, 0xFF);

class Sheet {
  public:
    explicit Sheet(QImage& image) : painter_(&image) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(13);
        painter_.setFont(font);
        painter_.setPen(Qt::black);
    }

    void Title(int y, const QString& text) {
        QFont bold = painter_.font();
        bold.setBold(true);
        bold.setPixelSize(16);
        painter_.save();
        painter_.setFont(bold);
        painter_.drawText(QRect(kMargin, y, 2000, kTitleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                          text);
        painter_.restore();
    }

    // A row of pictures, each with its holder number underneath.
    void Row(int y, const std::vector<Picture>& pictures, size_t from, size_t count) {
        for (size_t i = 0; i < count && from + i < pictures.size(); ++i) {
            const Picture& p = pictures[from + i];
            const int x = kMargin + static_cast<int>(i) * kCellWidth;
            painter_.drawImage(QPoint(x, y), p.image);
            painter_.drawText(QRect(x, y + 96, p.image.width(), 18), Qt::AlignHCenter,
                              QString::number(p.holder));
        }
    }

    void Board(QPoint at, const QImage& board, const QString& caption) {
        painter_.drawImage(at, board);
        painter_.drawText(QRect(at.x(), at.y() + board.height() + 2, board.width(), 18),
                          Qt::AlignHCenter, caption);
    }

  private:
    QPainter painter_;
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
