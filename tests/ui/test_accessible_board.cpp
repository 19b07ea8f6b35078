// The window as a screen reader meets it, read through Qt's accessibility
// interfaces, which Qt's AT-SPI bridge hands on as they are: the board, its
// cells by name and place, what lies at a point, the press action, and what
// the cells announce as the game goes on.

#include "board_helpers.h"
#include "window_test.h"

#include <QAccessible>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <array>
#include <dlfcn.h>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

// What a cell told a reader: its new name, or that it came onto or left the
// board.
struct Heard {
    QAccessible::Event change;
    int cell;
    QString name; // for a new name
    bool operator==(const Heard&) const = default;
};

void PrintTo(const Heard& heard, std::ostream* out) {
    *out << "cell " << heard.cell
         << (heard.change == QAccessible::NameChanged     ? " now " + heard.name.toStdString()
             : heard.change == QAccessible::ObjectCreated ? std::string(" came")
                                                          : std::string(" left"));
}

Heard Named(int cell, const char* name) {
    return {QAccessible::NameChanged, cell, QString::fromUtf8(name)};
}
Heard Came(int cell) {
    return {QAccessible::ObjectCreated, cell, {}};
}
Heard Left(int cell) {
    return {QAccessible::ObjectDestroyed, cell, {}};
}

// Qt's offscreen platform has no accessibility bridge: to Qt no screen reader
// ever listens there, so the cells announce nothing, and whatever is
// announced goes nowhere. This program answers for Qt instead (below): while
// a test stands in for a reader, one listens, and what is announced is what
// the test hears. And while a test asks for it, Qt runs on X11, where a
// reader is given the screen's own pixels.
struct StandIn {
    bool listening = false;
    bool onX11 = false;
    int sent = 0;             // to the reader, about anything
    std::vector<Heard> heard; // what the cells said among it
};
StandIn& Reader() {
    static StandIn reader;
    return reader;
}

// Notes what a reader was told, as the bridge would pass it on: the name is
// asked of the object's interface.
void Hear(QAccessibleEvent* event) {
    std::vector<Heard>& heard = Reader().heard;
    ++Reader().sent;
    auto* cell = qobject_cast<CellImage*>(event->object());
    const QAccessible::Event change = event->type();
    if (cell == nullptr) {
        return;
    }
    if (change == QAccessible::NameChanged) {
        heard.push_back(
            {change, cell->Number(), event->accessibleInterface()->text(QAccessible::Name)});
    }
    if (change == QAccessible::ObjectCreated || change == QAccessible::ObjectDestroyed) {
        heard.push_back({change, cell->Number(), {}});
    }
}

// A cell as the reader reads it off the board: which one, by what name.
struct Read {
    int cell;
    QString name;
    bool operator==(const Read&) const = default;
};

void PrintTo(const Read& read, std::ostream* out) {
    *out << read.cell << " " << read.name.toStdString();
}

// The names of the tiles `tiles` (by cell, 16 the blank) in either style.
std::vector<Read> Tiles(const std::array<int, CellCount>& tiles) {
    std::vector<Read> board;
    for (int k = 1; k <= CellCount; ++k) {
        const int tile = tiles.at(static_cast<std::size_t>(k - 1));
        board.push_back({k, tile == 16 ? QStringLiteral("Пусто") : QString::number(tile)});
    }
    return board;
}
// Every cell called `name`, but those in `called` by theirs, and those in
// `gone` left out.
std::vector<Read> Called(const char* name, const std::vector<Read>& called = {},
                         const std::vector<int>& gone = {}) {
    std::vector<Read> board;
    for (int k = 1; k <= CellCount; ++k) {
        if (std::find(gone.begin(), gone.end(), k) != gone.end()) {
            continue;
        }
        Read read{k, QString::fromUtf8(name)};
        for (const Read& other : called) {
            read = other.cell == k ? other : read;
        }
        board.push_back(read);
    }
    return board;
}
std::vector<Heard> AllNamed(const std::vector<Read>& board) {
    std::vector<Heard> names;
    for (const Read& read : board) {
        names.push_back({QAccessible::NameChanged, read.cell, read.name});
    }
    return names;
}

// The faces of cards 2, 3 and 5 (and of 10, 11 and 13, their pairs).
const char* const Face2 = "Синий прямоугольник";
const char* const Face3 = "Оранжевый ромб";
const char* const Face5 = "Пурпурное сердце";

class ReaderTest : public WindowTest {
  public:
    ~ReaderTest() override { Reader() = StandIn{}; }

  protected:
    ReaderTest() { Reader().listening = true; }

    static QAccessibleInterface* Of(QObject* object) {
        return QAccessible::queryAccessibleInterface(object);
    }
    QAccessibleInterface* Board() { return Of(Client()); }
    QPoint Global(QPoint client) { return Client()->mapToGlobal(client); }

    // Where a point or an area in Qt's coordinates lies in the pixels a
    // reader is given: on X11 the screen's own, scaled about the corner of
    // the window's screen, elsewhere Qt's.
    int PixelsPerPoint() {
        return Reader().onX11 ? static_cast<int>(window.devicePixelRatioF()) : 1;
    }
    QPoint Pixel(QPoint global) {
        const QPoint origin = window.screen()->geometry().topLeft();
        return origin + (global - origin) * PixelsPerPoint();
    }
    QRect Pixels(QRect global) {
        return QRect(Pixel(global.topLeft()), global.size() * PixelsPerPoint());
    }
    static QAccessibleInterface* At(QAccessibleInterface* from, QPoint pixel) {
        return from->childAt(pixel.x(), pixel.y());
    }

    // The reader's press on cell k.
    void Press(int k, const QString& action = QAccessibleActionInterface::pressAction()) {
        Of(window.Cell(k))->actionInterface()->doAction(action);
    }

    // The board as the reader reads it, cell after cell.
    std::vector<Read> ReadBoard() {
        std::vector<Read> cells;
        QAccessibleInterface* board = Board();
        for (int i = 0; i < board->childCount(); ++i) {
            QAccessibleInterface* child = board->child(i);
            auto* cell = qobject_cast<CellImage*>(child->object());
            cells.push_back({cell != nullptr ? cell->Number() : 0, child->text(QAccessible::Name)});
        }
        return cells;
    }

    // Each cell on the board is a button described by its row and column,
    // found where it lies, and pressed by its one action; a cell taken off
    // is nowhere to be found.
    void ExpectCellsInPlace() {
        QAccessibleInterface* board = Board();
        QAccessibleInterface* top = Of(&window);
        int index = 0;
        for (int k = 1; k <= CellCount; ++k) {
            SCOPED_TRACE("cell " + std::to_string(k));
            CellImage* cell = window.Cell(k);
            QAccessibleInterface* read = Of(cell);
            const QPoint centre = Pixel(Global(CellCentre(k)));
            if (cell->isHidden()) {
                EXPECT_EQ(board->indexOfChild(read), -1);
                EXPECT_EQ(read->rect(), QRect());
                EXPECT_EQ(At(board, centre), nullptr);
                continue;
            }
            EXPECT_EQ(board->indexOfChild(read), index);
            EXPECT_EQ(board->child(index++), read);
            EXPECT_EQ(read->parent(), board);
            EXPECT_EQ(read->role(), QAccessible::Button);
            const int row = (k - 1) / 4 + 1, column = (k - 1) % 4 + 1;
            EXPECT_EQ(read->text(QAccessible::Description),
                      QStringLiteral("ряд %1, столбец %2").arg(row).arg(column));
            EXPECT_EQ(read->actionInterface()->actionNames(),
                      QStringList{QAccessibleActionInterface::pressAction()});
            EXPECT_EQ(read->rect(), Pixels(QRect(Global(cell->pos()), cell->size())));
            EXPECT_EQ(At(board, centre), read);
            EXPECT_EQ(At(top, centre), board);
        }
        EXPECT_EQ(board->child(-1), nullptr);
        EXPECT_EQ(board->child(index), nullptr);
        EXPECT_EQ(board->indexOfChild(top), -1);
    }
};

} // namespace

// Qt's own answers, replaced in this program: see StandIn.
bool QAccessible::isActive() {
    return Reader().listening;
}
void QAccessible::updateAccessibility(QAccessibleEvent* event) {
    if (Reader().listening) {
        Hear(event);
    }
}
QString QGuiApplication::platformName() {
    static const auto qts =
        reinterpret_cast<QString (*)()>(dlsym(RTLD_NEXT, "_ZN15QGuiApplication12platformNameEv"));
    return Reader().onX11 ? QStringLiteral("xcb") : qts();
}

// One game, step by step: after each step the board as the reader reads it,
// and what the reader heard meanwhile. A cell announces a change of name once,
// however many ticks redraw it, and nothing at all while nothing changes.
TEST_F(ReaderTest, ReadsTheBoardAndHearsEachChangeOnce) {
    struct Step {
        const char* what;
        std::function<void()> play;
        std::vector<Read> board;
        std::vector<Heard> heard;
        bool silent; // not a word to the reader, from any object
    };
    const std::vector<Read> arranged = Tiles(Solved());
    const std::vector<Read> moved = Tiles({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16, 13, 14, 15, 12});
    const std::vector<Read> pressed =
        Tiles({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 16, 11, 13, 14, 15, 12});
    const std::vector<Read> faces2And3 = {{2, QString::fromUtf8(Face2)},
                                          {3, QString::fromUtf8(Face3)}};
    const Step steps[] = {
        {"ticks on the board as it opens", [&] { Ticks(100); }, Called("Нет картинки"), {}, true},
        {"Расставить, then a tick",
         [&] {
             MenuCommand("Расставить")->trigger();
             Ticks(1);
         },
         arranged, AllNamed(arranged), false},
        {"a thousand ticks more", [&] { Ticks(1000); }, arranged, {}, true},
        {"Картинка 1: every picture changes, no name does",
         [&] {
             MenuCommand("Картинка1")->trigger();
             Ticks(1);
         },
         arranged,
         {},
         false},
        {"tile 12 clicked down",
         [&] {
             ClickAt(CellCentre(12));
             ClickAt(CellCentre(16));
             Ticks(1);
         },
         moved,
         {Named(12, "Пусто"), Named(16, "12")},
         false},
        {"tile 11 pressed right",
         [&] {
             Press(11);
             Press(12);
             Ticks(1);
         },
         pressed,
         {Named(11, "Пусто"), Named(12, "11")},
         false},
        // Had the other action picked up tile 15, the press would bring it
        // into the blank instead of tile 11, still held.
        {"an action other than press on tile 15, then a press on the blank",
         [&] {
             Press(15, QAccessibleActionInterface::toggleAction());
             Press(11);
             Ticks(1);
         },
         moved,
         {Named(11, "11"), Named(12, "Пусто")},
         false},
        {"Парные картинки: every card face down",
         [&] { MenuCommand("Парные_картинки")->trigger(); }, Called("Рубашка"),
         AllNamed(Called("Рубашка")), false},
        {"Расставить, then card 5 clicked and card 13 pressed",
         [&] {
             MenuCommand("Расставить")->trigger(); // cells k and k + 8 pair up
             ClickAt(CellCentre(5));
             Press(13);
         },
         Called("Рубашка", {{5, QString::fromUtf8(Face5)}, {13, QString::fromUtf8(Face5)}}),
         {Named(5, Face5), Named(13, Face5)},
         false},
        {"ticks until the pair is taken off",
         [&] { Ticks(51); },
         Called("Рубашка", {}, {5, 13}),
         {Left(5), Left(13)},
         false},
        {"a press on a card taken off, and ticks",
         [&] {
             Press(5);
             Ticks(100);
         },
         Called("Рубашка", {}, {5, 13}),
         {},
         true},
        // The turn's first card turns every card face down, also the two
        // taken off, which say so as any card does.
        {"cards 2 and 3 pressed: no pair, they stay",
         [&] {
             Press(2);
             Press(3);
             Ticks(51);
         },
         Called("Рубашка", faces2And3, {5, 13}),
         {Named(5, "Рубашка"), Named(13, "Рубашка"), Named(2, Face2), Named(3, Face3)},
         false},
        {"Двигушки: the cards taken off come back",
         [&] { MenuCommand("Двигушки")->trigger(); },
         Called("Рубашка", faces2And3),
         {Came(5), Came(13)},
         false},
        {"Расставить, then a tick: tiles in every cell",
         [&] {
             MenuCommand("Расставить")->trigger();
             Ticks(1);
         },
         arranged, AllNamed(arranged), false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        Reader().sent = 0;
        Reader().heard.clear();
        step.play();
        EXPECT_EQ(ReadBoard(), step.board);
        EXPECT_EQ(Reader().heard, step.heard);
        if (step.silent) {
            EXPECT_EQ(Reader().sent, 0);
        }
        ExpectCellsInPlace();
    }
}

// The window holds the menu bar and the board. Every place a reader is given,
// and every point it asks about, is in Qt's own coordinates where the platform
// is not X11, also on a scaled screen (a Wayland client knows no places on
// the screen), and in the screen's pixels on X11. At a point the window finds
// the menu bar's entry there, the board, or nothing outside itself; the board
// finds the cell on top there, or nothing. A window not shown has no place,
// and nothing lies in it.
TEST_F(ReaderTest, GivesPlacesAndFindsWhatLiesAtAPoint) {
    MenuCommand("Расставить")->trigger();
    Ticks(1);
    QAccessibleInterface* top = Of(&window);
    QAccessibleInterface* board = Board();
    QAccessibleInterface* menus = Of(window.menuBar());
    EXPECT_EQ(top->role(), QAccessible::Window);
    EXPECT_EQ(top->text(QAccessible::Name), QStringLiteral("Двигушки"));
#if QT_VERSION < QT_VERSION_CHECK(6, 8, 0)
    // Without announcements the last message stays in sight as a notification.
    ASSERT_EQ(top->childCount(), 3);
    QAccessibleInterface* notice = top->child(2);
    EXPECT_EQ(notice->role(), QAccessible::Notification);
    EXPECT_EQ(notice->text(QAccessible::Name), QStringLiteral("Расставлено по порядку"));
#else
    EXPECT_EQ(top->childCount(), 2);
#endif
    EXPECT_GE(top->indexOfChild(menus), 0);
    EXPECT_GE(top->indexOfChild(board), 0);
    EXPECT_EQ(menus->text(QAccessible::Name), QStringLiteral("Меню"));
    EXPECT_EQ(board->role(), QAccessible::Grouping);
    EXPECT_EQ(board->text(QAccessible::Name), QStringLiteral("Игровое поле"));
    EXPECT_EQ(board->parent(), top);

    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2);
    ASSERT_EQ(screens[1]->devicePixelRatio(), 2.0);
    ASSERT_NE(screens[1]->geometry().topLeft(), QPoint(0, 0));
    struct View {
        QScreen* screen;
        bool x11;
    };
    // The scaled screen last: Qt 6.8's offscreen platform leaves it out.
    for (const View view : {View{screens[0], false}, View{screens[0], true},
                            View{screens[1], false}, View{screens[1], true}}) {
        SCOPED_TRACE((view.x11 ? "X11, " : "not X11, ") + view.screen->name().toStdString());
        Reader().onX11 = false;
        window.move(view.screen->geometry().topLeft() + QPoint(30, 20));
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.screen() == view.screen; }));
        if (window.devicePixelRatioF() != view.screen->devicePixelRatio()) {
            // From Qt 6.8 on the offscreen platform gives no window a pixel
            // ratio but 1; the end-to-end scenario at twice the size covers
            // scaled places there.
            ASSERT_GE(QT_VERSION, QT_VERSION_CHECK(6, 8, 0)) << window.devicePixelRatioF();
            continue;
        }
        Reader().onX11 = view.x11;

        EXPECT_EQ(top->rect(), Pixels(QRect(window.mapToGlobal(QPoint(0, 0)), window.size())));
        EXPECT_EQ(board->rect(), Pixels(QRect(Global(QPoint(0, 0)), QSize(339, 352))));
        ExpectCellsInPlace();

        QMenuBar* bar = window.menuBar();
        const QList<QAction*> entries = bar->actions();
        ASSERT_EQ(entries.size(), 3);
        auto onBar = [&](QPoint point) { return Pixel(bar->mapToGlobal(point)); };
        const QPoint corner = Pixel(window.mapToGlobal(QPoint(0, 0)));
        const QPoint end = Pixel(window.mapToGlobal(QPoint(window.width(), window.height())));
        const QPoint boardEnd = Pixel(Global(QPoint(339, 352)));
        struct Point {
            const char* where;
            QAccessibleInterface* from;
            QPoint at;
            QObject* found;
        };
        const Point points[] = {
            {"Игра", top, onBar(bar->actionGeometry(entries[0]).center()), entries[0]},
            {"Фигуры", top, onBar(bar->actionGeometry(entries[1]).center()), entries[1]},
            {"Расставить", top, onBar(bar->actionGeometry(entries[2]).center()), entries[2]},
            {"the bar past its entries", top, onBar(QPoint(bar->width() - 3, bar->height() / 2)),
             bar},
            {"the board's margin", top, Pixel(Global(QPoint(2, 2))), Client()},
            {"the board's last pixel", top, boardEnd - QPoint(1, 1), Client()},
            // The bar above the board is the whole window.
            {"the window's last pixel", top, end - QPoint(1, 1), Client()},
            {"left of the window", top, corner - QPoint(1, 0), nullptr},
            {"above the window", top, corner - QPoint(0, 1), nullptr},
            {"right of the window", top, QPoint(end.x(), corner.y() + 5), nullptr},
            {"below the window", top, QPoint(corner.x() + 5, end.y()), nullptr},
            // Cell 1's digit reaches over cell 2, and lies on top of it.
            {"the strip cell 1 shares with cell 2", board, Pixel(Global(QPoint(90, 30))),
             window.Cell(1)},
            {"the board's margin", board, Pixel(Global(QPoint(2, 2))), nullptr},
            {"below the cells", board, Pixel(Global(QPoint(100, 340))), nullptr},
            {"left of the board", board, Pixel(Global(QPoint(0, 30))) - QPoint(1, 0), nullptr},
        };
        for (const Point& point : points) {
            QAccessibleInterface* found = At(point.from, point.at);
            EXPECT_EQ(found != nullptr ? found->object() : nullptr, point.found) << point.where;
        }
    }

    window.hide();
    const QPoint centre = Pixel(Global(CellCentre(6)));
    EXPECT_EQ(top->rect(), QRect());
    EXPECT_EQ(board->rect(), QRect());
    EXPECT_EQ(Of(window.Cell(6))->rect(), QRect());
    EXPECT_EQ(At(top, centre), nullptr);
}
