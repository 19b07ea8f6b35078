#include "board_picture.h"

#include <QPainter>
#include <algorithm>
#include <cstddef>
#include <sstream>
#include <stdexcept>

namespace {

// The widest and tallest pictures reach 15 and 19 pixels past the pitch into
// the next cell; the narrowest and lowest end 75 and 65 pixels in.
constexpr QRect Core(15, 19, 60, 46);

} // namespace

Layout Nothing() {
    return Layout{};
}

Layout Backs() {
    Layout backs{};
    backs.fill(CardBack);
    return backs;
}

Layout Arranged(int firstHolder) {
    Layout layout{};
    for (int k = 1; k <= 16; ++k) {
        layout[static_cast<std::size_t>(k - 1)] = firstHolder - 1 + k;
    }
    return layout;
}

Layout With(Layout layout, std::initializer_list<std::pair<int, int>> cells) {
    for (const auto& [k, holder] : cells) {
        layout.at(static_cast<std::size_t>(k - 1)) = holder;
    }
    return layout;
}

std::string Describe(const Layout& layout) {
    std::ostringstream text;
    for (int row = 0; row < 4; ++row) {
        text << (row == 0 ? "[" : " ");
        for (int column = 0; column < 4; ++column) {
            const int holder = layout[static_cast<std::size_t>(row * 4 + column)];
            text.width(3);
            if (holder < 0) {
                text << "?";
            } else if (holder == 0) {
                text << "-";
            } else {
                text << holder;
            }
        }
        text << (row == 3 ? " ]" : " /");
    }
    return text.str();
}

std::vector<std::string> TileNames(const Layout& layout) {
    std::vector<std::string> names;
    for (int holder : layout) {
        const int tile = holder >= FirstPiece ? holder - FirstPiece + 1 : holder;
        names.push_back(tile == DigitBlank ? "Пусто" : std::to_string(tile));
    }
    return names;
}

QPoint CellCorner(int k) {
    return {facts::CellLeft(k), facts::CellTop(k)};
}

QRect CellCore(int k) {
    return Core.translated(CellCorner(k));
}

Pictures::Pictures() {
    for (int holder = 1; holder < static_cast<int>(holders_.size()); ++holder) {
        if (!facts::HoldsPicture(holder)) {
            continue;
        }
        const QString path =
            QStringLiteral(PICTURES_DIR "/image%1.png").arg(holder, 2, 10, QLatin1Char('0'));
        QImage picture(path);
        if (picture.isNull()) {
            throw std::runtime_error("cannot read " + path.toStdString());
        }
        holders_[static_cast<std::size_t>(holder)] = picture.convertToFormat(QImage::Format_RGB32);
    }
}

const Pictures& Pictures::Committed() {
    static const Pictures pictures;
    return pictures;
}

const QImage& Pictures::Holder(int holder) const {
    const QImage& picture = holders_.at(static_cast<std::size_t>(holder));
    if (picture.isNull()) {
        throw std::out_of_range("no picture for holder " + std::to_string(holder));
    }
    return picture;
}

QImage Compose(const Layout& layout, int scale) {
    QImage client(ClientWidth, ClientHeight, QImage::Format_RGB32);
    client.fill(Background);
    {
        QPainter painter(&client);
        for (int k = 16; k >= 1; --k) {
            const int holder = layout[static_cast<std::size_t>(k - 1)];
            if (holder > 0) {
                painter.drawImage(CellCorner(k), Pictures::Committed().Holder(holder));
            }
        }
    }
    if (scale == 1) {
        return client;
    }
    return client.scaled(client.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

namespace {

bool CoreMatches(const QImage& client, int k, int holder, int scale) {
    const QRect core = CellCore(k);
    const QImage* picture = holder > 0 ? &Pictures::Committed().Holder(holder) : nullptr;
    for (int y = core.top(); y <= core.bottom(); ++y) {
        for (int x = core.left(); x <= core.right(); ++x) {
            const QPoint inPicture = QPoint(x, y) - CellCorner(k);
            QRgb expected = Background;
            if (picture != nullptr && picture->rect().contains(inPicture)) {
                expected = picture->pixel(inPicture);
            }
            // Every screen pixel of a scaled pixel must agree.
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx) {
                    if (client.pixel(x * scale + dx, y * scale + dy) != expected) {
                        return false;
                    }
                }
            }
        }
    }
    return true;
}

} // namespace

std::optional<int> Recognise(const QImage& client, int k, const std::vector<int>& candidates,
                             int scale) {
    std::optional<int> found;
    for (int holder : candidates) {
        if (CoreMatches(client, k, holder, scale)) {
            if (found) {
                return std::nullopt;
            }
            found = holder;
        }
    }
    return found;
}

Layout Read(const QImage& client, const std::vector<int>& candidates, int scale) {
    Layout layout{};
    for (int k = 1; k <= 16; ++k) {
        layout[static_cast<std::size_t>(k - 1)] =
            Recognise(client, k, candidates, scale).value_or(-1);
    }
    return layout;
}

std::vector<int> Range(int first, int last) {
    std::vector<int> numbers;
    for (int n = first; n <= last; ++n) {
        numbers.push_back(n);
    }
    return numbers;
}

std::vector<int> DifferingCells(const QImage& seen, const QImage& expected, int scale) {
    std::vector<int> cells;
    for (int k = 1; k <= 16; ++k) {
        const QRect pitch(CellCorner(k) * scale, QSize(facts::PitchX, facts::PitchY) * scale);
        bool differs = false;
        for (int y = pitch.top(); y <= pitch.bottom() && !differs; ++y) {
            for (int x = pitch.left(); x <= pitch.right() && !differs; ++x) {
                differs = !seen.valid(x, y) || !expected.valid(x, y) ||
                          seen.pixel(x, y) != expected.pixel(x, y);
            }
        }
        if (differs) {
            cells.push_back(k);
        }
    }
    return cells;
}
