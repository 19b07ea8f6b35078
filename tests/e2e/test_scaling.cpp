// At twice the size every picture must stay as crisp as drawn: the board is
// the pictures with each pixel doubled, to the pixel, so no colour blended at
// an edge can pass. A desktop scaled by a fraction
// gets the nearest whole scale, or the whole scale the player's own rounding
// policy gives.

#include "board_picture.h"
#include "game_session.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class DoubleSize : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(game.Started()) << game.StartFailure(); }

    GameSession game{TwiceTheSize()};

  private:
    static GameSession::Options TwiceTheSize() {
        GameSession::Options options;
        options.scale = 2;
        options.screen = QSize(1024, 900);
        return options;
    }
};

// A desktop scaled the way GNOME (Xft.dpi) or KDE (QT_SCREEN_SCALE_FACTORS)
// scales it on X11, and the whole scale the board must come out at.
struct ScaledDesktop {
    const char* name;
    std::string xResources;
    std::vector<std::string> environment;
    int wholeScale;
};

void PrintTo(const ScaledDesktop& desktop, std::ostream* out) {
    *out << desktop.name;
}

const ScaledDesktop ScaledDesktops[] = {
    {"XftDpi120", "Xft.dpi:\t120\n", {}, 1},
    {"XftDpi144", "Xft.dpi:\t144\n", {}, 2},
    {"XftDpi168", "Xft.dpi:\t168\n", {}, 2},
    {"ScreenFactor125", "", {"QT_SCREEN_SCALE_FACTORS=1.25"}, 1},
    {"ScreenFactor150", "", {"QT_SCREEN_SCALE_FACTORS=1.5"}, 2},
    {"ScreenFactor175", "", {"QT_SCREEN_SCALE_FACTORS=1.75"}, 2},
    // X11 chosen in a Wayland session is still X11.
    {"XftDpi144InAWaylandSession",
     "Xft.dpi:\t144\n",
     {"XDG_SESSION_TYPE=wayland", "QT_QPA_PLATFORM=xcb"},
     2},
    // The player's own rounding: Round would give 1 at 125 % and 2 at 175 %.
    {"XftDpi120PlayerRoundsUp", "Xft.dpi:\t120\n", {"QT_SCALE_FACTOR_ROUNDING_POLICY=Ceil"}, 2},
    {"XftDpi168PlayerRoundsDown", "Xft.dpi:\t168\n", {"QT_SCALE_FACTOR_ROUNDING_POLICY=floor"}, 1},
    {"XftDpi144PlayerRounds", "Xft.dpi:\t144\n", {"QT_SCALE_FACTOR_ROUNDING_POLICY=Round"}, 2},
};

class OnAScaledDesktop : public ::testing::TestWithParam<ScaledDesktop> {};

} // namespace

// Each picture pixel becomes a square of whole screen pixels of one size, so
// the board is an exact 1x or 2x copy, never a 1.5x one with uneven lines.
TEST_P(OnAScaledDesktop, BoardIsAnExactWholeNumberCopy) {
    const ScaledDesktop& desktop = GetParam();
    GameSession::Options options;
    options.environment = desktop.environment;
    options.scale = desktop.wholeScale;
    options.screen = QSize(1024, 900);
    options.xResources = desktop.xResources;
    options.scaleFromDesktop = true;
    // The session waits for a window of the board's width at that scale.
    GameSession game(options);
    ASSERT_TRUE(game.Started()) << game.StartFailure();
    ASSERT_TRUE(game.Choose(menu::Arrange));
    EXPECT_TRUE(game.WaitForBoard(Arranged(1), "arranged"));
    // Whatever the desktop or the player set, a start that goes well says nothing.
    EXPECT_EQ(game.StandardError(), "");
}

INSTANTIATE_TEST_SUITE_P(Desktops, OnAScaledDesktop, ::testing::ValuesIn(ScaledDesktops),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DoubleSize, EmptyCellsDigitsAndPictureStayCrisp) {
    ASSERT_TRUE(game.WaitForBoard(Nothing(), "start"));
    ASSERT_TRUE(game.Choose(menu::Arrange));
    EXPECT_TRUE(game.WaitForBoard(Arranged(1), "digits"));
    ASSERT_TRUE(game.Choose(menu::Figures, menu::Picture));
    EXPECT_TRUE(game.WaitForBoard(Arranged(FirstPiece), "picture"));
}

TEST_F(DoubleSize, CardFacesStayCrisp) {
    ASSERT_TRUE(game.Choose(menu::Game, menu::Pairs));
    ASSERT_TRUE(game.Choose(menu::Arrange));
    // Eight different faces, two a turn, none of them a pair.
    for (int k = 1; k <= 8; k += 2) {
        game.ClickCell(k);
        game.ClickCell(k + 1);
        EXPECT_TRUE(
            game.WaitForBoard(With(Backs(), {{k, FaceHolder(k)}, {k + 1, FaceHolder(k + 1)}}),
                              "faces-" + std::to_string(k)));
    }
}
