#include "form1.h"

#include "accessible_board.h"
#include "board_layout.h"
#include "board_refresh.h"
#include "cell_image.h"
#include "game_icon.h"
#include "holder_table.h"
#include "overflow.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLayout>
#include <QMenuBar>
#include <cstdio>

namespace {

// The sizes a window manager picks its title-bar and task-switcher icons from.
constexpr std::array<int, 4> WindowIconSizes = {16, 32, 48, 64};

} // namespace

Form1::Form1(RandomSource* random) : game_(*this, random != nullptr ? *random : clockRandom_) {
    timer1_.setTimerType(Qt::PreciseTimer);
    timer1_.setInterval(1);
    connect(&timer1_, &QTimer::timeout, this, [this] { Dispatch([this] { Timer1_Timer(); }); });

    // Before any part of the window is asked for its accessible interface.
    InstallAccessibleBoard();
    BuildBoard();
    BuildMenus();
    SetCaption(FifteenCaption);
    // The window carries its icon itself, so a window manager shows the
    // game's picture even where no icon theme has it installed.
    QIcon icon;
    for (int size : WindowIconSizes) {
        icon.addPixmap(QPixmap::fromImage(pictures::DrawGameIcon(size)));
    }
    setWindowIcon(icon);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    announcer_ = std::make_unique<Announcer>(this);
    QCoreApplication::instance()->installNativeEventFilter(&keyPressWatch_);
    // Keys reach the menus alone.
    menuKeys_.Watch(this);
    // Nor does it ever stay maximized.
    neverMaximized_.Watch(this);

    timer1_.start();
    Form_Load();
}

void Form1::BuildBoard() {
    auto* client = new QWidget(this);
    MakeAccessibleBoard(client);
    client->setFixedSize(board::ClientWidth, board::ClientHeight);
    client->setAutoFillBackground(true);
    QPalette palette = client->palette();
    // It shows between and beside the cells, and where a found pair was taken off.
    palette.setColor(QPalette::Window, QColor(pictures::BoardColour));
    client->setPalette(palette);
    client->setAccessibleName(QStringLiteral("Игровое поле"));
    setCentralWidget(client);

    // Where two cells overlap, the lower-numbered one lies on top: a picture
    // wider or taller than the pitch reaches over its right or lower
    // neighbour, and the strip it covers is its own to draw and to click.
    // Qt stacks later siblings above earlier ones, so the cells are made from
    // the last to the first (a screen reader still gets them first to last).
    for (int k = CellCount; k >= 1; --k) {
        auto* cell = new CellImage(client, k);
        cell->setObjectName(QStringLiteral("Image%1").arg(FirstCellImage - 1 + k));
        const int row = (k - 1) / 4;
        const int column = (k - 1) % 4;
        cell->setGeometry(QRect(board::Margin + board::PitchX * column,
                                board::Margin + board::PitchY * row, board::EmptyCellWidth,
                                board::EmptyCellHeight));
        // A click and a press action run the cell's click handler alike,
        // once for each activation.
        const auto handler = CellClickHandlers.at(static_cast<std::size_t>(k - 1));
        connect(cell, &CellImage::Clicked, this, [this, handler, k] {
            if (activation_.Click(k)) {
                Dispatch([this, handler] { (game_.*handler)(); });
            }
        });
        connect(cell, &CellImage::Pressed, this, [this, handler, k] {
            if (activation_.Press(k)) {
                Dispatch([this, handler] { (game_.*handler)(); });
            }
        });
        cells_.at(static_cast<std::size_t>(k - 1)) = cell;
    }
}

void Form1::BuildMenus() {
    QMenuBar* bar = menuBar();
    // The menus belong in the window, not in a desktop-wide menu bar.
    bar->setNativeMenuBar(false);
    bar->setAccessibleName(QStringLiteral("Меню"));

    auto command = [this](QWidget* menu, const char* name, const QString& caption,
                          void (Game::*handler)(), Told told = Told::Nothing) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QString::fromUtf8(name));
        connect(action, &QAction::triggered, this, [this, handler, told] {
            if (Dispatch([this, handler] { (game_.*handler)(); })) {
                Tell(told);
            }
        });
        menu->addAction(action);
    };

    QMenu* play = bar->addMenu(QStringLiteral("Игра"));
    play->setObjectName(QStringLiteral("Игра"));
    command(play, "Новая", QStringLiteral("Новая"), &Game::Новая_Click, Told::Deal);
    command(play, "Двигушки", QStringLiteral("Двигушки"), &Game::Двигушки_Click, Told::Deal);
    command(play, "Парные_картинки", QStringLiteral("Парные картинки"),
            &Game::Парные_картинки_Click, Told::Deal);

    QMenu* figures = bar->addMenu(QStringLiteral("Фигуры"));
    figures->setObjectName(QStringLiteral("Фигуры"));
    // A tile keeps its name in either style: a reader has nothing new to hear.
    command(figures, "Цифры", QStringLiteral("Цифры"), &Game::Цифры_Click);
    command(figures, "Картинка1", QStringLiteral("Картинка 1"), &Game::Картинка1_Click);

    // A plain command on the bar: choosing it acts at once, with no drop-down.
    command(bar, "Расставить", QStringLiteral("Расставить"), &Game::Расставить_Click,
            Told::Arranged);
}

void Form1::Tell(Told told) {
    switch (told) {
    case Told::Deal:
        // The caption follows at the next tick; the game is known now.
        announcer_->Say(
            QStringLiteral("Новая партия: ") +
            QString::fromUtf8(game_.State.GameMode == PairsGame ? PairsCaption : FifteenCaption));
        break;
    case Told::Arranged:
        announcer_->Say(QStringLiteral("Расставлено по порядку"));
        break;
    case Told::Nothing:
        break;
    }
}

void Form1::Form_Load() {
    Dispatch([this] { game_.Form_Load(); });
}

void Form1::Timer1_Timer() {
    RefreshBoard();
}

void Form1::RefreshBoard() {
    ::RefreshBoard(game_.State, *this);
}

bool Form1::Dispatch(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const RunTimeError& error) {
        std::fprintf(stderr, "Run-time error: %s\n", error.what());
        return false;
    }
}

void Form1::SetCaption(std::string_view caption) {
    // Set on every tick; only a change reaches the window system.
    if (caption == caption_) {
        return;
    }
    caption_ = caption;
    setWindowTitle(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
}

void Form1::SetCellPicture(int k, int holder) {
    // The board is redrawn from the state a thousand times a second, nearly
    // always with the pictures the cells already show. The holder numbers
    // they show sit side by side here, so proving "the same picture" reads
    // one cache line and touches no cell and no picture; only a real change
    // costs a lookup and a repaint.
    int& shown = shownHolders_.at(static_cast<std::size_t>(k - 1));
    if (holder == shown && holder != NoPicture) {
        return;
    }
    Cell(k)->SetPicture(Holder(holder), pictures::HolderName(holder));
    shown = holder;
}

const QPixmap& Form1::Holder(int holder) {
    if (holder < 0 || holder >= static_cast<int>(holders_.size())) {
        throw RunTimeError("Invalid picture");
    }
    // The board starts empty, so a picture is made ready for the screen the
    // first time a cell shows it rather than all at start-up.
    QPixmap& pixmap = holders_[static_cast<std::size_t>(holder)];
    if (pixmap.isNull()) {
        const QImage* picture = pictures::HolderPicture(holder);
        if (picture == nullptr) {
            throw RunTimeError("Invalid picture");
        }
        pixmap = QPixmap::fromImage(*picture);
    }
    return pixmap;
}

void Form1::SetCellVisible(int k, bool visible) {
    CellImage* cell = Cell(k);
    if (cell->isHidden() != visible) {
        return;
    }
    cell->SetShown(visible);
    // A found pair leaves the board two cards at once, both showing the one
    // face, so the first of the two says which pair it was.
    cellsOff_ += visible ? -1 : 1;
    if (!visible && cellsOff_ % 2 == 1) {
        announcer_->Say(QStringLiteral("Пара снята: ") + cell->Name());
    }
}
