// Random play from start-up: clicks, menu commands and ticks in any order,
// with the state's invariants checked after every event.

#include "board_helpers.h"
#include "board_refresh.h"
#include "game.h"
#include "game_state.h"
#include "random_source.h"
#include "recording_board.h"

#include <algorithm>
#include <array>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>

namespace {

// Deals from a seeded engine, so a failing sequence replays exactly.
class SeededRandom : public RandomSource {
  public:
    explicit SeededRandom(unsigned seed) : engine_(seed) {}
    void rtcRandomize() override {}
    float rtcRandomNext(float) override { return static_cast<float>(engine_() >> 8) / 16777216.0f; }

  private:
    std::mt19937 engine_;
};

enum class Event { Click, New, Fifteen, Pairs, Digits, Picture, Arrange, Tick };

// The events' names in the log, in the order of Event.
const char* Name(Event e) {
    static const char* const names[] = {"click", "Новая",      "Двигушки",   "Парные картинки",
                                        "Цифры", "Картинка 1", "Расставить", "tick"};
    return names[static_cast<int>(e)];
}

class Player {
  public:
    explicit Player(unsigned seed)
        : random_(seed), game_(board_, random_), choice_(seed * 7919u + 1) {
        game_.Form_Load();
    }

    // Plays `events` events; returns an empty string, or what broke and the
    // sequence that led to it.
    std::string Play(int events) {
        for (int i = 0; i < events; ++i) {
            const std::string failure = Step();
            if (!failure.empty()) {
                return failure + "\n  after: " + log_.str();
            }
        }
        return {};
    }

  private:
    std::string Step() {
        const GameState before = game_.State;
        // Mostly clicks and ticks, as a player makes them.
        const int roll = static_cast<int>(choice_() % 100);
        const Event e = roll < 45   ? Event::Click
                        : roll < 75 ? Event::Tick
                                    : static_cast<Event>(1 + roll % 6);
        int k = 0;
        switch (e) {
        case Event::Click:
            k = 1 + static_cast<int>(choice_() % 16);
            game_.CellClick(k);
            break;
        case Event::New:
            game_.Новая_Click();
            break;
        case Event::Fifteen:
            game_.Двигушки_Click();
            break;
        case Event::Pairs:
            game_.Парные_картинки_Click();
            break;
        case Event::Digits:
            game_.Цифры_Click();
            break;
        case Event::Picture:
            game_.Картинка1_Click();
            break;
        case Event::Arrange:
            game_.Расставить_Click();
            break;
        case Event::Tick:
            RefreshBoard(game_.State, board_);
            break;
        }
        log_ << Name(e);
        if (k != 0) {
            log_ << ' ' << k;
        }
        log_ << ", ";
        const bool fills =
            e != Event::Click && e != Event::Tick && e != Event::Digits && e != Event::Picture;
        filled_ = filled_ || fills;
        // A pick-up carried over a deal or the arrange command can bring its
        // tile into the blank from anywhere on the new board. That jump may
        // leave the puzzle unsolvable until the next deal or arrange.
        if (fills) {
            jumped_ = false;
        } else if (e == Event::Click && game_.State.Cells != before.Cells) {
            int from = 0;
            for (int j = 1; j <= CellCount; ++j) {
                from = before.Cells(j) == before.HeldTile ? j : from;
            }
            jumped_ = jumped_ || !IsNeighbour(from, k);
        }
        return Check(before, e, k);
    }

    std::string Check(const GameState& before, Event e, int k) const {
        const GameState& s = game_.State;
        if ((s.GameMode != 1 && s.GameMode != 2) || (s.TileStyle != 1 && s.TileStyle != 2)) {
            return "game mode or tile style out of range";
        }
        auto cells = CellsOf(s);
        std::sort(cells.begin(), cells.end());
        if (filled_ ? cells != Solved() : cells != std::array<int, CellCount>{}) {
            return "the board does not hold each number once (or all zeros before the first deal)";
        }
        if (filled_ && !jumped_ && s.GameMode == FifteenPuzzle && !SlidesBackToOrder(CellsOf(s))) {
            return "the fifteen puzzle can no longer be solved";
        }
        // A click on a marked blank is a move, and leaves the pick-up that
        // allowed it in force; it changes the board only if the held tile is
        // on it elsewhere.
        const bool move = e == Event::Click && s.GameMode == FifteenPuzzle &&
                          before.MoveTarget(k) == Marked && before.Cells(k) == Blank;
        if (move) {
            if (s.HeldTile != before.HeldTile || s.MoveTarget != before.MoveTarget) {
                return "a move changed the pick-up";
            }
            if (s.Cells != before.Cells && s.Cells(k) != before.HeldTile) {
                return "a move brought something other than the held tile into the blank";
            }
        } else if (e == Event::Click) {
            for (int n = 1; n <= CellCount; ++n) {
                const Word expected = n == k              ? before.MoveTarget(k)
                                      : IsNeighbour(k, n) ? Marked
                                                          : Unmarked;
                if (s.MoveTarget(n) != expected) {
                    return "marks after a click are not the clicked cell's neighbours";
                }
            }
            if (s.HeldTile != before.Cells(k)) {
                return "the held tile is not what the clicked cell held";
            }
        } else if (s.HeldTile != before.HeldTile || s.MoveTarget != before.MoveTarget) {
            return "something other than a click changed the pick-up";
        }
        if (s.FlipCount < 0 || s.FlipCount > 2 || s.PairTicks < 0 || s.PairTicks > 50) {
            return "turn count or tick count out of range";
        }
        int faceUp = 0;
        for (int n = 1; n <= CellCount; ++n) {
            if (s.FaceShown(n) < 0 || s.FaceShown(n) > 8) {
                return "a face index out of range";
            }
            faceUp += s.FaceShown(n) != 0 ? 1 : 0;
        }
        if (faceUp > 2) {
            return "more than two cards face up";
        }
        if (s.GameMode == PairsGame && faceUp > s.FlipCount) {
            return "more cards face up than turned in this turn";
        }
        if (e == Event::Pairs || (e == Event::New && s.GameMode == PairsGame)) {
            for (int n = 1; n <= CellCount; ++n) {
                if (board_.Picture(n) != facts::CardBack || !board_.Visible(n)) {
                    return "a fresh pairs board is not all backs and all shown";
                }
            }
        }
        return {};
    }

    RecordingBoard board_;
    SeededRandom random_;
    Game game_;
    std::mt19937 choice_;
    bool filled_ = false;
    bool jumped_ = false;
    std::ostringstream log_;
};

} // namespace

TEST(PlaySequenceTest, InvariantsHoldThroughThousandsOfRandomGames) {
    for (unsigned seed = 1; seed <= 2000; ++seed) {
        Player player(seed);
        const std::string failure = player.Play(300);
        ASSERT_TRUE(failure.empty()) << "seed " << seed << ": " << failure;
    }
}
