// A blind player's game with Orca itself, Debian's screen reader: the
// menus from the keyboard, the board read by Orca's flat review, cells
// clicked by Orca's click command, and what Orca says at every step, taken
// from its own log. The game runs under openbox, as on a desktop, where the
// window has the keyboard. What Orca said is kept as a transcript: in the
// test's artifacts, and at DVIGUSHKI_ORCA_TRANSCRIPT when that is set.
//
// Orca's desktop layout, NumLock off: KP_Up reads the current line of flat
// review, KP_Home and KP_Prior go to the line before and after, KP_Left,
// KP_Begin and KP_Right to the item before, this one and the next, and
// KP_Divide clicks the item.

#include "board_picture.h"
#include "game_session.h"
#include "orca.h"

#include <QtGlobal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// "version = "43.1"" in Orca's own sources.
std::string OrcaVersion() {
    std::smatch found;
    const std::string platform = ReadFile("/usr/lib/python3/dist-packages/orca/orca_platform.py");
    return std::regex_search(platform, found, std::regex("version\\s*=\\s*\"([^\"]+)\""))
               ? found[1].str()
               : "?";
}

class WithOrca : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists("/usr/bin/orca")) {
            GTEST_SKIP() << "Orca is not installed";
        }
        ASSERT_TRUE(game.Started()) << game.StartFailure();
        ASSERT_NE(orca, nullptr);
        ASSERT_TRUE(orca->WaitUntilListening()) << "Orca never asked for window:destroy";
        transcript << "Orca " << OrcaVersion() << ", Qt " << qVersion() << ", Debian "
                   << FirstLine(ReadFile("/etc/debian_version")) << "\n";
    }
    void TearDown() override {
        EXPECT_TRUE(game.Process().Running()) << "the game ended during the test";
        if (orca != nullptr) {
            EXPECT_TRUE(orca->Running()) << "Orca ended during the test";
        }
        Step("");
        const std::string text = transcript.str();
        std::ofstream(ArtifactDir() + "/transcript.txt") << text;
        const char* copy = std::getenv("DVIGUSHKI_ORCA_TRANSCRIPT");
        if (copy != nullptr && *copy != '\0') {
            std::filesystem::path path(copy);
            std::ofstream(path.is_relative() ? std::filesystem::path(SOURCE_ROOT) / path : path)
                << text;
        }
    }

    // Starts a step of the transcript; the one before gets what Orca said
    // during it.
    void Step(const std::string& title) {
        if (!stepTitle.empty()) {
            transcript << "\n" << stepTitle << "\n";
            for (const std::string& line : orca->SaidSince(stepStart)) {
                transcript << "  " << line << "\n";
            }
        }
        stepTitle = title;
        stepStart = orca != nullptr ? orca->Said() : 0;
    }

    // Presses `key` and waits until Orca says `text` after it; an empty
    // `text` waits for anything at all. What it said.
    std::string Press(const std::string& key, const std::string& text = "") {
        const std::size_t from = orca->Said();
        game.X().PressKey(key);
        const int line = orca->WaitToSay(text, from);
        EXPECT_GE(line, 0) << "after " << key << " Orca never said \"" << text << "\"; it said:\n"
                           << Joined(orca->SaidSince(from));
        return line >= 0 ? orca->SaidSince(static_cast<std::size_t>(line)).front() : "";
    }

    static std::string Joined(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines) {
            text += "  " + line + "\n";
        }
        return text;
    }

    // A row of the board as flat review reads it: the cells' names.
    static std::string Row(const std::vector<std::string>& names, int row) {
        std::string text;
        for (int column = 0; column < 4; ++column) {
            text += (column > 0 ? " " : "") + names.at(static_cast<std::size_t>(row * 4 + column));
        }
        return text;
    }

    // Orca comes first, as on a blind player's desktop, and the game starts
    // once Orca listens: a Qt of 6.8 or later sends a reader only the events
    // it knows the reader asked for, and it learns of a reader that starts
    // after it only as the bus tells it, some time later.
    std::unique_ptr<Orca> orca;
    GameSession game{Options()};
    std::ostringstream transcript;
    std::string stepTitle;
    std::size_t stepStart = 0;

  private:
    GameSession::Options Options() {
        GameSession::Options options;
        options.desktop = DesktopKind::Openbox;
        options.screenReader = ScreenReaderStart::Later;
        options.beforeTheGame = [this](GameSession& session) {
            if (std::filesystem::exists("/usr/bin/orca")) {
                orca = std::make_unique<Orca>(session, ArtifactDir());
                orca->WaitUntilListening();
            }
        };
        return options;
    }
};

} // namespace

TEST_F(WithOrca, PlaysBothGamesFromTheKeyboard) {
    Step("Orca starts, then the game's window opens");
    ASSERT_GE(orca->WaitToSay("Двигушки frame", 0), 0) << Joined(orca->SaidSince(0));

    Step("Игра → Новая from the keyboard: F10, Down, Return");
    // Orca names the bar's first entry (Orca 48 at times the bar itself) after
    // the key's echo; a player hears it before pressing on.
    const std::size_t beforeBar = orca->Said();
    game.X().PressKey("F10");
    EXPECT_GE(orca->WaitToSay([](const std::string& line) { return line.rfind("F10", 0) != 0; },
                              beforeBar),
              0)
        << "Orca never said where F10 went:\n"
        << Joined(orca->SaidSince(beforeBar));
    Press("Down", "Новая");
    Press("Return", "Новая партия: Двигушки");
    const Layout dealt = game.WaitForReadableBoard(Range(1, 16));
    ASSERT_EQ(dealt[15], DigitBlank) << "the deal leaves the blank in cell 16";
    const std::vector<std::string> names = TileNames(dealt);

    Step("The dealt board in flat review: KP_Up, then KP_Prior four times");
    Press("KP_Up");
    for (int row = 0; row < 4; ++row) {
        Press("KP_Prior", Row(names, row));
    }

    Step("A move: KP_Home, KP_Right three times, KP_Divide on cell 12; KP_Prior, "
         "KP_Right three times, KP_Divide on the blank in cell 16");
    Press("KP_Home", Row(names, 2));
    for (int column = 1; column < 4; ++column) {
        Press("KP_Right", names[static_cast<std::size_t>(8 + column)]);
    }
    Press("KP_Divide", "ряд 3, столбец 4");
    Press("KP_Prior", Row(names, 3));
    for (int column = 1; column < 4; ++column) {
        Press("KP_Right", names[static_cast<std::size_t>(12 + column)]);
    }
    // The blank takes the focus and the tile moves in: Orca says the cell
    // with the tile's number, or the number as the cell's name changes.
    const std::size_t beforeMove = orca->Said();
    game.X().PressKey("KP_Divide");
    const auto movedIn = [&](const std::string& line) {
        return line.rfind(names[11] + " ", 0) == 0 || line == names[11] + ".";
    };
    EXPECT_GE(orca->WaitToSay(movedIn, beforeMove), 0)
        << "Orca never said the tile that moved in: " << names[11] << "\n"
        << Joined(orca->SaidSince(beforeMove));
    EXPECT_TRUE(
        game.WaitForBoard(With(dealt, {{12, DigitBlank}, {16, dealt[11]}}), "moved-with-orca"));

    Step("The pairs game: F10, Down three times, Return; then Расставить: F10, Right twice, "
         "Return");
    Press("F10", "Игра");
    Press("Down", "Новая");
    Press("Down", "Двигушки");
    Press("Down", "Парные картинки");
    Press("Return", "Новая партия: Парные картинки");
    Press("F10", "Игра");
    Press("Right", "Фигуры");
    Press("Right", "Расставить");
    const std::size_t beforeArranging = orca->Said();
    Press("Return", "Расставлено по порядку");
    // The focus is back on the blank's cell, where the last click was.
    ASSERT_GE(orca->WaitToSay("ряд 4, столбец 4", beforeArranging), 0);
    const Layout backs = Backs();
    ASSERT_TRUE(game.WaitForBoard(backs, "pairs-arranged"));

    // Cards k and k + 8 now pair up.
    Step("A turn: KP_Up, KP_Home three times to the first row, KP_Divide on card 1; KP_Prior "
         "twice, KP_Divide on card 9");
    Press("KP_Up", "Рубашка Рубашка Рубашка Рубашка");
    for (int line = 0; line < 3; ++line) {
        Press("KP_Home");
    }
    const std::size_t firstCard = orca->Said();
    game.X().PressKey("KP_Divide");
    ASSERT_TRUE(game.WaitForBoard(With(backs, {{1, FaceHolder(1)}}), "card-1-up"));
    // Flat review goes on from the card that took the focus.
    ASSERT_GE(orca->WaitToSay("ряд 1, столбец 1", firstCard), 0);
    Press("KP_Prior", "Рубашка Рубашка Рубашка Рубашка");
    Press("KP_Prior", "Рубашка Рубашка Рубашка Рубашка");
    const std::size_t secondCard = orca->Said();
    game.X().PressKey("KP_Divide");
    const int taken = orca->WaitToSay("Пара снята: ", secondCard);
    ASSERT_GE(taken, 0) << "no pair was heard taken off:\n" << Joined(orca->SaidSince(firstCard));
    EXPECT_TRUE(game.WaitForBoard(With(backs, {{1, 0}, {9, 0}}), "pair-taken-off"));
    // Orca said the face of each card as it turned, the one the pair shows.
    std::string face = orca->SaidSince(static_cast<std::size_t>(taken)).front();
    face = face.substr(face.find(": ") + 2);
    face = face.substr(0, face.find('.'));
    const int turned = orca->WaitToSay(face, firstCard);
    EXPECT_TRUE(turned >= 0 && turned < static_cast<int>(secondCard))
        << "Orca did not say the face of the first card, " << face;
    Step("");
}
