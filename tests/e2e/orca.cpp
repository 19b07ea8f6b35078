#include "orca.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <regex>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Speech goes to ALSA's null device: the machine needs no sound card.
constexpr const char* SpeechSettings =
    "AudioOutputMethod \"alsa\"\n"
    "AudioALSADevice \"null\"\n"
    "AddModule \"espeak-ng\" \"sd_espeak-ng\" \"espeak-ng.conf\"\n"
    "DefaultModule espeak-ng\n";

// The debug line of the listener Orca asks for last, as it starts (Orca 43
// before it says "Screen reader on", Orca 48 after). Until then a program that
// starts may not know of Orca: Qt 6.8 sends a reader only the events the bus
// says it listens to.
constexpr const char* LastListener = "EVENT MANAGER: registering listener for: window:destroy";

// The text of an Orca debug line "12:00:00.000000 - SPEECH OUTPUT: 'text'{...}"
// (or 'text'[{...}], or 'key ' {...} for a key's echo); whether it is one.
bool SpeechIn(const std::string& line, std::string& text) {
    static const std::regex speech("SPEECH OUTPUT: '(.*?) ?' ?[\\[{]");
    std::smatch found;
    if (!std::regex_search(line, found, speech)) {
        return false;
    }
    text = found[1].str();
    return true;
}

} // namespace

Orca::Orca(const GameSession& session, const std::string& dir)
    : runtime_("dvigushki-orca"), logPath_(dir + "/orca-debug.txt") {
    const ChildProcess::Options& desktop = session.DesktopProgram();
    const std::string bus = session.Buses().SessionBus();
    const std::string config = dir + "/orca-config";
    fs::create_directories(config + "/speech-dispatcher");
    std::ofstream(config + "/speech-dispatcher/speechd.conf") << SpeechSettings;

    ChildProcess::Options base;
    base.uid = desktop.uid;
    base.gid = desktop.gid;
    for (const std::string& variable : desktop.environment) {
        if (variable.rfind("XDG_RUNTIME_DIR=", 0) != 0) {
            base.environment.push_back(variable);
        }
    }
    base.environment.insert(base.environment.end(),
                            {bus, "XDG_RUNTIME_DIR=" + runtime_.path, "XDG_CONFIG_HOME=" + config});

    // A screen reader sets the desktop's flags as it starts; Orca 43 expects
    // them set by the desktop.
    for (const char* flag : {"IsEnabled", "ScreenReaderEnabled"}) {
        ChildProcess::Options set = base;
        set.argv = {"/usr/bin/dbus-send",     "--session",
                    "--print-reply",          "--dest=org.a11y.Bus",
                    "/org/a11y/bus",          "org.freedesktop.DBus.Properties.Set",
                    "string:org.a11y.Status", std::string("string:") + flag,
                    "variant:boolean:true"};
        ChildProcess(set).WaitForExit(Patience);
    }

    ChildProcess::Options speech = base;
    speech.argv = {"/usr/bin/speech-dispatcher",
                   "--run-single",
                   "--timeout",
                   "0",
                   "--communication-method",
                   "unix_socket",
                   "--socket-path",
                   "default",
                   "--log-dir",
                   dir};
    speech.stderrPath = dir + "/speech-dispatcher-stderr.txt";
    speech_ = std::make_unique<ChildProcess>(speech);
    const std::string socket = runtime_.path + "/speech-dispatcher/speechd.sock";
    if (!WaitUntil([&] { return fs::exists(socket) || !speech_->Running(); }) ||
        !fs::exists(socket)) {
        throw std::runtime_error("speech-dispatcher did not start; see " + speech.stderrPath);
    }

    terminal_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal_ < 0 || grantpt(terminal_) != 0 || unlockpt(terminal_) != 0) {
        throw std::runtime_error("cannot open a terminal for Orca's log: " + ErrnoText(errno));
    }
    const std::string log = ptsname(terminal_);
    chown(log.c_str(), static_cast<uid_t>(desktop.uid), static_cast<gid_t>(desktop.gid));
    // Lines as Orca writes them, with no carriage returns added.
    termios mode{};
    // Held open here too, so the terminal lasts while Orca opens it.
    side_ = open(log.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (side_ >= 0 && tcgetattr(side_, &mode) == 0) {
        cfmakeraw(&mode);
        tcsetattr(side_, TCSANOW, &mode);
    }
    reader_ = std::thread([this] { Read(); });

    ChildProcess::Options orca = base;
    orca.argv = {"/usr/bin/orca", "--replace", "--debug-file", log};
    orca.stdoutPath = dir + "/orca-stdout.txt";
    orca.stderrPath = dir + "/orca-stderr.txt";
    orca_ = std::make_unique<ChildProcess>(orca);
}

Orca::~Orca() {
    orca_.reset();
    speech_.reset();
    // The reader sees the terminal's end once nothing holds its other side.
    if (side_ >= 0) {
        close(side_);
    }
    if (reader_.joinable()) {
        reader_.join();
    }
    close(terminal_);
}

void Orca::Read() {
    std::ofstream keep(logPath_, std::ios::binary);
    std::string pending;
    char buffer[65536];
    while (true) {
        pollfd wait{terminal_, POLLIN, 0};
        if (poll(&wait, 1, 200) < 0) {
            return;
        }
        if ((wait.revents & POLLIN) == 0) {
            // Nothing holds the other side once Orca has gone.
            if ((wait.revents & POLLHUP) != 0) {
                return;
            }
            continue;
        }
        const ssize_t got = read(terminal_, buffer, sizeof buffer);
        if (got <= 0) {
            return;
        }
        keep.write(buffer, got);
        keep.flush();
        pending.append(buffer, static_cast<std::size_t>(got));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end);
            std::string text;
            if (SpeechIn(line, text)) {
                const std::lock_guard<std::mutex> lock(mutex_);
                spoken_.push_back(text);
            } else if (line.find(LastListener) != std::string::npos) {
                const std::lock_guard<std::mutex> lock(mutex_);
                listening_ = true;
            }
            pending.erase(0, end + 1);
        }
    }
}

std::size_t Orca::Said() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return spoken_.size();
}

std::vector<std::string> Orca::SaidSince(std::size_t from) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return from < spoken_.size()
               ? std::vector<std::string>(spoken_.begin() + static_cast<long>(from), spoken_.end())
               : std::vector<std::string>{};
}

bool Orca::WaitUntilListening() const {
    return WaitUntil([&] {
        const std::lock_guard<std::mutex> lock(mutex_);
        return listening_;
    });
}

int Orca::WaitToSay(const std::string& text, std::size_t from) const {
    return WaitToSay([&](const std::string& line) { return line.find(text) != std::string::npos; },
                     from);
}

int Orca::WaitToSay(const std::function<bool(const std::string&)>& fits, std::size_t from) const {
    int found = -1;
    WaitUntil([&] {
        const std::vector<std::string> said = SaidSince(from);
        for (std::size_t i = 0; i < said.size(); ++i) {
            if (fits(said[i])) {
                found = static_cast<int>(from + i);
                return true;
            }
        }
        return false;
    });
    return found;
}
