// Thousands of random real clicks on the board and the menus, with the timer
// ticking in between: the game must keep running, keep one of its two
// captions, write nothing to its standard error and not grow in memory. In a
// sanitizer build it plays the sanitized game, whose reports go to standard
// error and end it.
//
// DVIGUSHKI_SOAK_SEED=<n> repeats a run; DVIGUSHKI_SOAK_CLICKS=<n> makes it
// longer or shorter.

#include "board_picture.h"
#include "game_session.h"
#include "processes.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <string>
#include <thread>

namespace {

unsigned long FromEnvironment(const char* name, unsigned long otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::strtoul(value, nullptr, 10) : otherwise;
}

} // namespace

TEST(Soak, RandomClicksOnCellsAndMenus) {
    const unsigned long seed = FromEnvironment("DVIGUSHKI_SOAK_SEED", std::random_device{}());
    const unsigned long clicks = FromEnvironment("DVIGUSHKI_SOAK_CLICKS", 3000);
    std::cout << "soak seed " << seed << " (DVIGUSHKI_SOAK_SEED=" << seed << " repeats this run), "
              << clicks << " clicks" << std::endl;
    RecordProperty("seed", std::to_string(seed));
    SCOPED_TRACE("soak seed " + std::to_string(seed));

    GameSession game;
    ASSERT_TRUE(game.Started()) << game.StartFailure();
    std::mt19937 random(static_cast<std::mt19937::result_type>(seed));
    auto chance = [&](int percent) {
        return std::uniform_int_distribution<int>(0, 99)(random) < percent;
    };
    auto pick = [&](int first, int last) {
        return std::uniform_int_distribution<int>(first, last)(random);
    };
    // What the game said before it went, such as a sanitizer's report.
    auto lastWords = [&] {
        return game.Process().Running()
                   ? std::string()
                   : "; the game has ended, its standard error:\n" + game.StandardError();
    };

    long baseline = -1;
    for (unsigned long click = 1; click <= clicks; ++click) {
        if (chance(4)) {
            // A menu command. Waiting for its drop-down also proves the game
            // has worked through every click before it.
            const int item = pick(0, 2);
            const int entry = item == menu::Game      ? pick(0, 2)
                              : item == menu::Figures ? pick(0, 1)
                                                      : -1;
            ASSERT_TRUE(game.Choose(item, entry)) << "at click " << click << lastWords();
        } else if (chance(70)) {
            game.ClickCell(pick(1, 16));
        } else {
            // Anywhere on the client area: gaps, margins, overlapping strips.
            game.ClickClient(QPoint(pick(0, ClientWidth - 1), pick(0, ClientHeight - 1)));
        }
        // Let the timer tick between clicks.
        std::this_thread::sleep_for(std::chrono::milliseconds(pick(0, 3)));

        if (click % 10 == 0 || click == clicks) {
            ASSERT_TRUE(game.Process().Running()) << "at click " << click << lastWords();
            const std::string title = game.Title();
            ASSERT_TRUE(title == FifteenCaption || title == PairsCaption)
                << "title \"" << title << "\" at click " << click << "; see "
                << game.SaveScreenshot("title");
            ASSERT_EQ(game.StandardError(), "") << "at click " << click;
        }
        if (click == 100) {
            baseline = ResidentKiB(game.Process().Pid());
        }
    }
    // Everything sent has been handled once a drop-down opens and closes.
    ASSERT_TRUE(game.Choose(menu::Figures, menu::Digits)) << lastWords();
    ASSERT_TRUE(game.Process().Running()) << lastWords();
    EXPECT_EQ(game.StandardError(), "");
    game.SaveScreenshot("end", game.StableClient());

    const long after = ResidentKiB(game.Process().Pid());
    std::cout << "resident memory after 100 clicks " << baseline << " KiB, after " << clicks
              << " clicks " << after << " KiB" << std::endl;
    ASSERT_GT(baseline, 0);
    if (DVIGUSHKI_SANITIZED) {
        // AddressSanitizer holds freed memory back to catch late uses, so
        // the sanitized game's size says nothing about leaks.
        return;
    }
    // Caches fill a little over a run; a leak per click or per tick is more.
    EXPECT_LE(after - baseline, 4096) << "the game grew by " << after - baseline << " KiB";
}
