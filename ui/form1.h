#pragma once

#include "announcer.h"
#include "board.h"
#include "clock_random.h"
#include "game.h"
#include "game_state.h"
#include "holders.h"
#include "menu_keys.h"
#include "never_maximized.h"
#include "one_activation.h"
#include "random_source.h"

#include <QMainWindow>
#include <QPixmap>
#include <QTimer>
#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class CellImage;
class QAction;

// The game's one window: the menu bar, the 4 x 4 board of cells and the timer
// that redraws the board. It owns the game and its state for the whole run.
// Final: the constructor sets the first caption through the window's own
// Board override, which a derived class could not replace while it runs.
class Form1 final : public QMainWindow, private Board {
    Q_OBJECT

  public:
    // Number of the first board cell's image control: cell k is Image(16 + k).
    static constexpr int FirstCellImage = 17;

    explicit Form1(RandomSource* random = nullptr);

    Game& TheGame() { return game_; }
    CellImage* Cell(int k) const { return cells_.at(static_cast<std::size_t>(k - 1)); }
    QTimer& Timer1() { return timer1_; }

    void Form_Load();
    void Timer1_Timer();

  private:
    void RefreshBoard();
    void BuildBoard();
    void BuildMenus();

    // What a menu command tells a screen reader once it has run.
    enum class Told { Nothing, Deal, Arranged };
    void Tell(Told told);

    // Runs one event handler to its end. A run-time error stops the handler
    // where it is, is reported on one line, and the game goes on with what
    // the handler had written. Whether the handler ran to its end.
    static bool Dispatch(const std::function<void()>& handler);

    // Board
    void SetCaption(std::string_view caption) override;
    void SetCellPicture(int k, int holder) override;
    void SetCellVisible(int k, bool visible) override;
    const QPixmap& Holder(int holder);

    MenuKeys menuKeys_;
    OneActivation activation_;
    KeyPressWatch keyPressWatch_{activation_};
    // Made once the board and the menus are: a reader finds them first.
    std::unique_ptr<Announcer> announcer_;
    NeverMaximized neverMaximized_;
    ClockRandom clockRandom_;
    Game game_;
    QTimer timer1_;
    // The picture holders by holder number, each made on first use; those
    // that hold no picture stay null.
    std::array<QPixmap, HolderCount> holders_;
    std::array<CellImage*, CellCount> cells_{};
    // The holder whose picture each cell shows, by cell.
    static constexpr int NoPicture = 0;
    std::array<int, CellCount> shownHolders_{};
    std::string caption_;
    // Cells taken off the board: found pairs leave it two by two.
    int cellsOff_ = 0;
};
