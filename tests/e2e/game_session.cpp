#include "game_session.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <utility>

namespace fs = std::filesystem;

std::string ArtifactDir() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string name =
        test != nullptr ? std::string(test->test_suite_name()) + "." + test->name() : "outside";
    // The same scenario on another desktop may run meanwhile: it keeps apart.
    const char* desktop = std::getenv("DVIGUSHKI_E2E_DESKTOP");
    const fs::path root = desktop != nullptr && *desktop != '\0' && std::string(desktop) != "x11"
                              ? fs::path(ARTIFACTS_ROOT) / desktop
                              : fs::path(ARTIFACTS_ROOT);
    const fs::path dir = root / name;
    // What an earlier run of the same test left would only mislead.
    static std::string cleaned;
    if (cleaned != name) {
        fs::remove_all(dir);
        cleaned = name;
    }
    fs::create_directories(dir);
    return dir.string();
}

std::vector<std::pair<int, int>> Clusters(const std::vector<bool>& marked, int groups) {
    std::vector<std::pair<int, int>> runs;
    for (int i = 0; i < static_cast<int>(marked.size()); ++i) {
        if (!marked[static_cast<std::size_t>(i)]) {
            continue;
        }
        if (!runs.empty() && runs.back().second == i - 1) {
            runs.back().second = i;
        } else {
            runs.push_back({i, i});
        }
    }
    if (static_cast<int>(runs.size()) < groups || groups < 1) {
        return {};
    }
    // The groups-1 widest gaps separate; each must be clearly wider than every
    // gap joined over (letters, or the parts of one letter), or the screen
    // does not show `groups` things.
    std::vector<int> gaps;
    for (std::size_t i = 1; i < runs.size(); ++i) {
        gaps.push_back(runs[i].first - runs[i - 1].second);
    }
    std::vector<int> sorted = gaps;
    std::sort(sorted.rbegin(), sorted.rend());
    const std::size_t separators = static_cast<std::size_t>(groups - 1);
    const int narrowestSeparator = separators > 0 ? sorted[separators - 1] : 1 << 30;
    const int widestJoined = separators < sorted.size() ? sorted[separators] : 0;
    if (narrowestSeparator <= widestJoined + 2) {
        return {};
    }
    std::vector<std::pair<int, int>> clusters{runs.front()};
    for (std::size_t i = 1; i < runs.size(); ++i) {
        if (gaps[i - 1] >= narrowestSeparator) {
            clusters.push_back(runs[i]);
        } else {
            clusters.back().second = runs[i].second;
        }
    }
    return clusters;
}

namespace {

// Text stands out from the flat face of a bar or menu.
bool IsInk(QRgb pixel, QRgb face) {
    return std::abs(qRed(pixel) - qRed(face)) + std::abs(qGreen(pixel) - qGreen(face)) +
               std::abs(qBlue(pixel) - qBlue(face)) >
           120;
}

QRgb MostCommonColour(const QImage& image) {
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            ++counts[image.pixel(x, y)];
        }
    }
    return std::max_element(counts.begin(), counts.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}

// Rows (or columns) of `image` inside `inner` that carry text, leaving out
// lines drawn right across, such as frames and separators.
std::vector<bool> TextLines(const QImage& image, const QRect& inner, bool rows) {
    const QRgb face = MostCommonColour(image);
    const int lines = rows ? inner.height() : inner.width();
    const int length = rows ? inner.width() : inner.height();
    std::vector<bool> marked(static_cast<std::size_t>(lines), false);
    for (int i = 0; i < lines; ++i) {
        int ink = 0;
        for (int j = 0; j < length; ++j) {
            const QPoint p = rows ? QPoint(inner.left() + j, inner.top() + i)
                                  : QPoint(inner.left() + i, inner.top() + j);
            ink += IsInk(image.pixel(p), face) ? 1 : 0;
        }
        marked[static_cast<std::size_t>(i)] = ink > 0 && ink < length * 6 / 10;
    }
    return marked;
}

std::vector<int> FamilyOf(const Layout& layout) {
    std::vector<int> candidates{0};
    auto add = [&](int first, int last) {
        for (int h = first; h <= last; ++h) {
            candidates.push_back(h);
        }
    };
    bool digits = false, pieces = false, cards = false;
    for (int holder : layout) {
        digits = digits || (holder >= 1 && holder <= DigitBlank);
        pieces = pieces || (holder >= FirstPiece && holder < CardBack);
        cards = cards || holder >= CardBack;
    }
    if (digits) {
        add(1, DigitBlank);
    }
    if (pieces) {
        add(FirstPiece, CardBack - 1);
    }
    if (cards) {
        add(CardBack, facts::LastHolder);
    }
    return candidates;
}

} // namespace

DesktopKind DesktopFromEnvironment() {
    const char* name = std::getenv("DVIGUSHKI_E2E_DESKTOP");
    const std::string desktop = name != nullptr ? name : "";
    if (desktop.empty() || desktop == "x11") {
        return DesktopKind::BareX;
    }
    if (desktop == "openbox") {
        return DesktopKind::Openbox;
    }
    if (desktop == "sway") {
        return DesktopKind::Sway;
    }
    if (desktop == "gnome") {
        return DesktopKind::Gnome;
    }
    if (desktop == "kwin") {
        return DesktopKind::Kwin;
    }
    throw std::invalid_argument("DVIGUSHKI_E2E_DESKTOP is x11, openbox, sway, gnome or kwin, not " +
                                desktop);
}

std::string GameUnderTest() {
    const char* chosen = std::getenv("DVIGUSHKI_GAME_UNDER_TEST");
    return chosen != nullptr && *chosen != '\0' ? chosen : DVIGUSHKI_EXE;
}

GameSession::GameSession(const Options& options) : kind_(options.desktop), scale_(options.scale) {
    const std::string dir = ArtifactDir();
    static int sessions = 0;
    const std::string tag = "session" + std::to_string(++sessions);

    // Qt insists on a private runtime directory and complains without one.
    const std::string runtime = dir + "/" + tag + "-runtime";
    fs::create_directories(runtime);
    chmod(runtime.c_str(), 0700);

    ChildProcess::Options game;
    game.argv = {options.program.empty() ? GameUnderTest() : options.program};
    game.argv.insert(game.argv.end(), options.arguments.begin(), options.arguments.end());
    game.environment = {"LANG=C.UTF-8"};
    // A desktop that does not come up throws: the test fails with the reason.
    if (kind_ == DesktopKind::Sway) {
        sway_ = std::make_unique<SwayDesktop>(options.screen, dir + "/" + tag);
        sway_->Prepare(game);
        desktop_ = sway_.get();
        where_ = "sway's " + sway_->DisplayName();
    } else if (kind_ == DesktopKind::Gnome) {
        gnome_ = std::make_unique<GnomeDesktop>(options.screen, dir + "/" + tag);
        gnome_->Prepare(game);
        desktop_ = gnome_.get();
        where_ = "GNOME Shell's " + gnome_->DisplayName();
    } else if (kind_ == DesktopKind::Kwin) {
        kwin_ = std::make_unique<KwinDesktop>(options.screen, dir + "/" + tag);
        kwin_->Prepare(game);
        desktop_ = kwin_.get();
        where_ = "KWin's " + kwin_->DisplayName();
    } else {
        xvfb_ = std::make_unique<XvfbServer>(options.screen, dir + "/" + tag + "-xvfb.log");
        x_ = std::make_unique<XDisplay>(xvfb_->DisplayName());
        if (!options.xResources.empty()) {
            x_->SetResources(options.xResources);
        }
        if (kind_ == DesktopKind::Openbox) {
            windowManager_ = std::make_unique<WindowManager>(*x_, xvfb_->DisplayName(), runtime,
                                                             dir + "/" + tag + "-openbox.log");
        }
        game.environment.insert(game.environment.end(),
                                {"PATH=/usr/bin:/bin", "HOME=" + runtime,
                                 "DISPLAY=" + xvfb_->DisplayName(), "XDG_RUNTIME_DIR=" + runtime});
        desktop_ = x_.get();
        where_ = "X display " + xvfb_->DisplayName();
    }
    // The desktop's D-Bus session bus: with a screen reader, one of the
    // session's own with the AT-SPI bus on it; without, none. Without an
    // address libdbus would start one for the X display (dbus-launch
    // --autolaunch), and that daemon would outlive the test.
    desktopProgram_ = game;
    if (options.screenReader == ScreenReaderStart::None) {
        // Under GNOME Shell the shell's session bus (see GnomeDesktop::Prepare).
        if (kind_ != DesktopKind::Gnome) {
            game.environment.push_back("DBUS_SESSION_BUS_ADDRESS=disabled:");
        }
    } else {
        buses_ = std::make_unique<AccessibilityBuses>(desktopProgram_, dir + "/" + tag);
        game.environment.push_back(buses_->SessionBus());
        if (options.screenReader == ScreenReaderStart::BeforeTheGame) {
            StartScreenReader();
        }
    }
    if (options.beforeTheGame) {
        options.beforeTheGame(*this);
    }
    if (scale_ != 1 && !options.scaleFromDesktop) {
        game.environment.push_back("QT_SCALE_FACTOR=" + std::to_string(scale_));
    }
    game.environment.insert(game.environment.end(), options.environment.begin(),
                            options.environment.end());
    stderrPath_ = dir + "/" + tag + "-game-stderr.txt";
    game.stderrPath = stderrPath_;
    game.stdoutPath = dir + "/" + tag + "-game-stdout.txt";
    const auto started = std::chrono::steady_clock::now();
    game_ = std::make_unique<ChildProcess>(game);

    // The one application window there, wherever the desktop put it, looked
    // for often enough to time the start: on X11 a look is a few round trips
    // to the server, while sway's tree comes through swaymsg, a program.
    const QSize client = QSize(ClientWidth, ClientHeight) * scale_;
    const auto every = std::chrono::milliseconds(
        kind_ == DesktopKind::BareX || kind_ == DesktopKind::Openbox ? 1 : 15);
    const bool found = WaitUntil(
        [&] {
            for (const AppWindow& window : desktop_->AppWindows()) {
                // A window that draws its own title bar (Qt's, natively under
                // GNOME Shell) may draw a border as wide on each side and
                // at the bottom.
                const int border = window.geometry.width() - client.width();
                if (border >= 0 && border % 2 == 0 && border <= 16 &&
                    window.geometry.height() > client.height() + border) {
                    timeToWindow_ = std::chrono::steady_clock::now() - started;
                    window_ = window.id;
                    windowRect_ = window.geometry;
                    return true;
                }
            }
            return !game_->Running();
        },
        Patience, every);
    if (!found || window_ == 0) {
        std::ostringstream seen;
        for (const AppWindow& window : desktop_->AppWindows()) {
            seen << " " << window.geometry.width() << "x" << window.geometry.height();
        }
        startFailure_ = "no game window appeared on " + where_ +
                        " (windows there:" + (seen.str().empty() ? " none" : seen.str()) +
                        "); the game's stderr: " + StandardError();
        window_ = 0;
        return;
    }
    // The client area is the bottom of the window, under the menu bar,
    // within any border.
    const int border = (windowRect_.width() - client.width()) / 2;
    clientRect_ =
        QRect(windowRect_.left() + border, windowRect_.bottom() + 1 - border - client.height(),
              client.width(), client.height());
    if (!options.program.empty()) {
        return;
    }
    // Painted once its corner, which no cell ever covers, shows the background.
    const QRect corner(clientRect_.topLeft(), QSize(8, 8) * scale_);
    if (!WaitUntil([&] {
            const QImage seen = desktop_->Grab(corner);
            return !seen.isNull() && MostCommonColour(seen) == Background &&
                   seen.pixel(0, 0) == Background && seen.pixel(seen.width() - 1, 0) == Background;
        })) {
        startFailure_ = "the client area never showed the background; see " +
                        SaveScreenshot("start", GrabScreen());
        window_ = 0;
    }
}

XDisplay& GameSession::X() {
    if (x_ == nullptr) {
        throw std::logic_error("the game runs on " + where_ + ", not on an X server");
    }
    return *x_;
}

KwinDesktop& GameSession::Kwin() {
    if (kwin_ == nullptr) {
        throw std::logic_error("the game runs on " + where_ + ", not under KWin");
    }
    return *kwin_;
}

ScreenReader& GameSession::Reader() {
    if (reader_ == nullptr) {
        throw std::logic_error("no screen reader runs on " + where_);
    }
    return *reader_;
}

const AccessibilityBuses& GameSession::Buses() const {
    if (buses_ == nullptr) {
        throw std::logic_error("the session on " + where_ + " has no accessibility bus");
    }
    return *buses_;
}

void GameSession::StartScreenReader() {
    if (buses_ == nullptr) {
        throw std::logic_error("the session on " + where_ + " has no accessibility bus");
    }
    static int readers = 0;
    reader_ = std::make_unique<ScreenReader>(desktopProgram_, *buses_,
                                             ArtifactDir() + "/reader" + std::to_string(++readers) +
                                                 "-stderr.txt");
}

QImage GameSession::GrabScreen() {
    return desktop_->Grab(QRect(QPoint(0, 0), desktop_->ScreenSize()));
}

void GameSession::LoseDisplay() {
    // The test's own connections go first: Xlib ends a program whose display
    // breaks under it.
    desktop_ = nullptr;
    window_ = 0;
    windowManager_.reset();
    x_.reset();
    xvfb_.reset();
}

QRect GameSession::MenuBarRect() const {
    return QRect(windowRect_.topLeft(),
                 QSize(windowRect_.width(), clientRect_.top() - windowRect_.top()));
}

std::string GameSession::SaveScreenshot(const std::string& label, const QImage& image) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", ++shots_);
    std::string path = ArtifactDir() + "/" + number + "-" + label + ".png";
    (image.isNull() ? GrabWindow() : image).save(QString::fromStdString(path));
    return path;
}

void GameSession::ClickCell(int k) {
    ClickClient(CellCore(k).center());
}

void GameSession::ClickClient(QPoint client) {
    desktop_->Click(clientRect_.topLeft() + client * scale_ + QPoint(scale_ / 2, scale_ / 2));
}

std::vector<QRect> GameSession::MenuBarItems() {
    const QRect bar = MenuBarRect();
    const QImage seen = desktop_->Grab(bar);
    if (seen.height() < 6) {
        return {};
    }
    // A title bar the window draws itself (Qt's, natively under GNOME Shell
    // 48) lies above the menu bar, within the window: the menu bar starts
    // after the last text but its own.
    const int border = clientRect_.left() - windowRect_.left();
    const std::vector<bool> rows =
        TextLines(seen, seen.rect().adjusted(border, 0, -border, 0), true);
    int top = static_cast<int>(rows.size()) - 1;
    while (top > 0 && !rows[static_cast<std::size_t>(top)]) {
        --top;
    }
    while (top > 0 && rows[static_cast<std::size_t>(top - 1)]) {
        --top;
    }
    while (top > 0 && !rows[static_cast<std::size_t>(top - 1)]) {
        --top;
    }
    // Leave out the bar's edges, where a style may draw a line.
    const int from = std::max(top, 2);
    const QRect inner(0, from, seen.width(), seen.height() - 2 - from);
    const auto clusters = Clusters(TextLines(seen, inner, false), 3);
    std::vector<QRect> items;
    for (const auto& [first, last] : clusters) {
        items.push_back(
            QRect(bar.left() + first, bar.top() + top, last - first + 1, bar.height() - top));
    }
    return items;
}

::testing::AssertionResult GameSession::Choose(int item, int entry) {
    std::vector<QRect> items;
    if (!WaitUntil([&] {
            items = MenuBarItems();
            return items.size() == 3;
        })) {
        return ::testing::AssertionFailure()
               << "the menu bar does not show three items; see " << SaveScreenshot("menu-bar");
    }
    desktop_->NotePopups();
    const QRect opener = items.at(static_cast<std::size_t>(item));
    desktop_->Click(opener.center());
    if (entry < 0) {
        return ::testing::AssertionSuccess();
    }

    // The drop-down opens under the bar, from a little left of its item's text.
    const QRect bar = MenuBarRect();
    const QPoint inside(opener.left(), bar.bottom() + 4 * scale_);
    const QSize screen = desktop_->ScreenSize();
    const QRect below(QPoint(0, bar.bottom() + 1), QPoint(screen.width() - 1, screen.height() - 1));
    const int entries = item == menu::Game ? 3 : 2;
    QRect popup;
    std::vector<std::pair<int, int>> lines;
    QImage last;
    const bool shown = WaitUntil([&] {
        const std::optional<QRect> found = desktop_->NewPopup(inside, below);
        if (!found) {
            return false;
        }
        const QImage seen = desktop_->Grab(*found);
        if (seen.width() < 10 || seen.height() < 10) {
            return false;
        }
        // Fully drawn once two looks agree and the entries can be told apart.
        const bool settled = seen == last && *found == popup;
        last = seen;
        popup = *found;
        const QRect inner(3, 3, seen.width() - 6, seen.height() - 6);
        lines = Clusters(TextLines(seen, inner, true), entries);
        return settled && static_cast<int>(lines.size()) == entries;
    });
    if (!shown) {
        return ::testing::AssertionFailure()
               << "bar item " << item << " opened no drop-down with " << entries << " entries; see "
               << SaveScreenshot("drop-down", GrabScreen());
    }
    const auto& [top, bottom] = lines.at(static_cast<std::size_t>(entry));
    desktop_->Click(popup.topLeft() + QPoint(popup.width() / 2, 3 + (top + bottom) / 2));
    if (!WaitUntil([&] { return desktop_->PopupClosed(); })) {
        return ::testing::AssertionFailure()
               << "the drop-down stayed open after a click on entry " << entry << "; see "
               << SaveScreenshot("drop-down-open", GrabScreen());
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult GameSession::WaitForTitle(const std::string& title) {
    if (WaitUntil([&] { return Title() == title; })) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the title stayed \"" << Title() << "\", not \""
                                         << title << "\"; see " << SaveScreenshot("title");
}

::testing::AssertionResult GameSession::WaitForBoard(const Layout& layout,
                                                     const std::string& label) {
    const QImage expected = Compose(layout, scale_);
    QImage seen;
    if (WaitUntil([&] {
            seen = GrabClient();
            return seen == expected;
        })) {
        return ::testing::AssertionSuccess();
    }
    seen = GrabClient();
    std::ostringstream cells;
    for (int k : DifferingCells(seen, expected, scale_)) {
        cells << " " << k;
    }
    const std::string shot = SaveScreenshot(label + "-seen");
    const std::string wanted = SaveScreenshot(label + "-expected-board", expected);
    return ::testing::AssertionFailure()
           << "the board never showed " << Describe(layout) << "\n  it shows     "
           << Describe(Read(seen, FamilyOf(layout), scale_)) << " (? = not recognised)"
           << "\n  cells that differ:" << (cells.str().empty() ? " none (margins)" : cells.str())
           << "\n  screenshot: " << shot << "\n  expected board: " << wanted;
}

Layout GameSession::WaitForReadableBoard(const std::vector<int>& candidates) {
    Layout layout{};
    const bool readable = WaitUntil([&] {
        layout = Read(StableClient(), candidates, scale_);
        return std::find(layout.begin(), layout.end(), -1) == layout.end();
    });
    if (!readable) {
        ADD_FAILURE() << "the board cannot be read: " << Describe(layout)
                      << "\n  screenshot: " << SaveScreenshot("unreadable");
    }
    return layout;
}

QImage GameSession::StableClient() {
    std::optional<QImage> last;
    WaitUntil(
        [&] {
            QImage seen = GrabClient();
            const bool settled = last && seen == *last;
            last = std::move(seen);
            return settled;
        },
        Patience, std::chrono::milliseconds(20));
    return *last;
}

void GameSession::Publish(const std::string& name) {
    const char* target = std::getenv("DVIGUSHKI_SCREENSHOTS");
    if (target == nullptr || *target == '\0') {
        return;
    }
    fs::path dir(target);
    if (dir.is_relative()) {
        dir = fs::path(SOURCE_ROOT) / dir;
    }
    fs::create_directories(dir);
    GrabWindow().save(QString::fromStdString((dir / (name + ".png")).string()));
}
