// How fast the window redraws on a timer tick, and whether an unchanged board
// costs any painting, measured on the real Form1 shown on Qt's offscreen
// platform. Run with: build/bench/dvigushki_bench --benchmark_repetitions=5
#include "cell_image.h"
#include "form1.h"
#include "game.h"
#include "game_state.h"
#include "moves.h"
#include "paint_counter.h"
#include "pairs_turn.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <utility>

namespace {

// A shown window with the timer stopped, so that every tick is one the
// benchmark makes by hand.
std::unique_ptr<Form1> ShownWindow() {
    auto window = std::make_unique<Form1>();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get())) {
        return nullptr;
    }
    window->Timer1().stop();
    return window;
}

// Lets the window paint whatever the last ticks asked for.
void Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

std::unique_ptr<PaintCounter> WatchCells(Form1& window) {
    auto counter = std::make_unique<PaintCounter>();
    for (int k = 1; k <= CellCount; ++k) {
        window.Cell(k)->installEventFilter(counter.get());
    }
    return counter;
}

void DealFifteen(Form1& window, Word style) {
    Game& game = window.TheGame();
    game.Двигушки_Click();
    if (style == PictureTiles) {
        game.Картинка1_Click();
    } else {
        game.Цифры_Click();
    }
    window.Timer1_Timer();
    Settle();
}

int BlankCell(const GameState& state) {
    for (int k = 1; k <= CellCount; ++k) {
        if (state.Cells(k) == Blank) {
            return k;
        }
    }
    return 0;
}

int NeighbourOf(int k) {
    for (int n = 1; n <= CellCount; ++n) {
        if (AreNeighbours(k, n)) {
            return n;
        }
    }
    return 0;
}

bool Fail(benchmark::State& state, const char* why) {
    state.SkipWithError(why);
    return false;
}

// One tick of a dealt fifteen board that has not changed since the last one:
// the state is drawn again, and nothing may reach the screen.
void BM_TickUnchangedFifteen(benchmark::State& state) {
    auto window = ShownWindow();
    if (!window) {
        Fail(state, "window not exposed");
        return;
    }
    DealFifteen(*window, static_cast<Word>(state.range(0)));
    for (auto _ : state) {
        window->Timer1_Timer();
    }
    state.SetLabel(state.range(0) == PictureTiles ? "picture tiles" : "digit tiles");
}
BENCHMARK(BM_TickUnchangedFifteen)->Arg(DigitTiles)->Arg(PictureTiles);

// The first tick after a tile slides: two cells change picture. Only the tick
// is timed; the clicks before it and the painting after it are not.
void BM_TickAfterMove(benchmark::State& state) {
    auto window = ShownWindow();
    if (!window) {
        Fail(state, "window not exposed");
        return;
    }
    DealFifteen(*window, static_cast<Word>(state.range(0)));
    Game& game = window->TheGame();
    int blank = BlankCell(game.State);
    int tile = NeighbourOf(blank);
    auto counter = WatchCells(*window);
    for (auto _ : state) {
        game.CellClick(tile);  // pick the tile up
        game.CellClick(blank); // and slide it into the blank
        std::swap(tile, blank);
        const auto start = std::chrono::steady_clock::now();
        window->Timer1_Timer();
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        Settle();
    }
    if (game.State.Cells(blank) != Blank) {
        Fail(state, "the clicks did not slide the tile");
    }
    // Proves the paint counter sees real repaints: a moved tile costs some.
    state.counters["cell_paints_per_move"] = benchmark::Counter(
        static_cast<double>(counter->paints), benchmark::Counter::kAvgIterations);
    state.SetLabel(state.range(0) == PictureTiles ? "picture tiles" : "digit tiles");
}
BENCHMARK(BM_TickAfterMove)->Arg(DigitTiles)->Arg(PictureTiles)->UseManualTime();

// Deals a pairs board with two cards of different faces turned up, the case
// in which the check looks at every pair of cells and takes nothing off.
bool DealPairsWithTwoCardsUp(benchmark::State& state, Form1& window) {
    Game& game = window.TheGame();
    game.Парные_картинки_Click();
    game.CellClick(1);
    for (int j = 2; j <= CellCount; ++j) {
        if (FaceOf(game.State.Cells(j)) != FaceOf(game.State.Cells(1))) {
            game.CellClick(j);
            window.Timer1_Timer();
            Settle();
            return true;
        }
    }
    return Fail(state, "no card of another face");
}

// An ordinary pairs tick: it counts and sets the caption.
void BM_TickPairs(benchmark::State& state) {
    auto window = ShownWindow();
    if (!window || !DealPairsWithTwoCardsUp(state, *window)) {
        return;
    }
    GameState& game = window->TheGame().State;
    for (auto _ : state) {
        game.PairTicks = 0; // never reach the check
        window->Timer1_Timer();
    }
}
BENCHMARK(BM_TickPairs);

// The 51st pairs tick, which looks for a matched pair among the face-up cards.
void BM_TickPairsCheck(benchmark::State& state) {
    auto window = ShownWindow();
    if (!window || !DealPairsWithTwoCardsUp(state, *window)) {
        return;
    }
    GameState& game = window->TheGame().State;
    for (auto _ : state) {
        game.PairTicks = 50;
        window->Timer1_Timer();
    }
    if (game.PairTicks != 0) {
        Fail(state, "the tick did not check");
    }
}
BENCHMARK(BM_TickPairsCheck);

// Paint events the sixteen cells receive over a thousand ticks of a dealt,
// unchanged board, with the event loop run after every tick so that any
// repaint asked for is delivered.
void BM_PaintsPerThousandUnchangedTicks(benchmark::State& state) {
    auto window = ShownWindow();
    if (!window) {
        Fail(state, "window not exposed");
        return;
    }
    DealFifteen(*window, static_cast<Word>(state.range(0)));
    auto counter = WatchCells(*window);
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            window->Timer1_Timer();
            QCoreApplication::processEvents();
        }
    }
    state.counters["cell_paints"] = benchmark::Counter(static_cast<double>(counter->paints),
                                                       benchmark::Counter::kAvgIterations);
    state.SetLabel(state.range(0) == PictureTiles ? "picture tiles" : "digit tiles");
}
BENCHMARK(BM_PaintsPerThousandUnchangedTicks)
    ->Arg(DigitTiles)
    ->Arg(PictureTiles)
    ->Unit(benchmark::kMillisecond);

// Ticks Timer1 delivers in one second of the real event loop, with a dealt
// fifteen board on the window.
void BM_TimerTicksPerSecond(benchmark::State& state) {
    auto window = ShownWindow();
    if (!window) {
        Fail(state, "window not exposed");
        return;
    }
    DealFifteen(*window, DigitTiles);
    long ticks = 0;
    QObject::connect(&window->Timer1(), &QTimer::timeout, [&ticks] { ++ticks; });
    double seconds = 0;
    for (auto _ : state) {
        window->Timer1().start();
        QEventLoop loop;
        QTimer::singleShot(1000, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        clock.start();
        loop.exec();
        seconds += static_cast<double>(clock.nsecsElapsed()) * 1e-9;
        window->Timer1().stop();
    }
    state.counters["ticks_per_s"] = benchmark::Counter(static_cast<double>(ticks) / seconds);
}
BENCHMARK(BM_TimerTicksPerSecond)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// Qt calls a message handler as a plain function, so the one it passes the
// other messages on to can only be found here.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
QtMessageHandler previousHandler = nullptr;

// The offscreen platform warns about the window's fixed size every time one
// is shown; that line would bury the results.
void QuietOffscreenWarnings(QtMsgType type, const QMessageLogContext& context,
                            const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints"))) {
        return;
    }
    previousHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv) {
    previousHandler = qInstallMessageHandler(QuietOffscreenWarnings);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
