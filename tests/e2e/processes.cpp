#include "processes.h"

#include "waiting.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <sched.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace {

// How long a child has to end by itself once asked.
constexpr std::chrono::seconds GraceToEnd(5);

// What a child that could not start tells its parent through a pipe that
// exec closes: the step that failed and its errno.
struct StartFailure {
    int error = 0;
    char step[240] = {};
};

// The child's side, between fork and exec: async-signal-safe calls only.
// Each failure is reported on `report`.
[[noreturn]] void ChildFails(int report, const char* step, const char* what = "") {
    StartFailure failure;
    failure.error = errno;
    std::strncpy(failure.step, step, sizeof failure.step - 1);
    std::strncat(failure.step, what, sizeof failure.step - 1 - std::strlen(failure.step));
    (void)!write(report, &failure, sizeof failure);
    _exit(127);
}

void Redirect(int report, const char* path, int fd, int flags) {
    const int opened = open(path, flags, 0644);
    if (opened < 0 || dup2(opened, fd) < 0) {
        ChildFails(report, "opening ", path);
    }
    close(opened);
}

void Pass(int report, int from, int to) {
    // dup2 onto itself would leave close-on-exec set.
    if (from == to ? fcntl(from, F_SETFD, 0) < 0 : dup2(from, to) < 0) {
        ChildFails(report, "passing a descriptor");
    }
}

void WriteProcFile(int report, const char* path, const char* text) {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    const auto length = static_cast<ssize_t>(std::strlen(text));
    if (fd < 0 || write(fd, text, static_cast<std::size_t>(length)) != length) {
        ChildFails(report, "writing ", path);
    }
    close(fd);
}

} // namespace

std::string ErrnoText(int error) {
    const char* name = strerrorname_np(error);
    return std::string(std::strerror(error)) + " (" +
           (name != nullptr ? name : "errno " + std::to_string(error)) + ")";
}

ChildProcess::ChildProcess(const Options& options) {
    if (options.argv.empty()) {
        throw std::invalid_argument("no program to start");
    }
    // Everything exec needs is laid out before the fork.
    std::vector<char*> argv;
    for (const std::string& word : options.argv) {
        argv.push_back(const_cast<char*>(word.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : options.environment) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    const pid_t parent = getpid();
    const std::string uidMap =
        std::to_string(options.idInOwnNamespace) + " " + std::to_string(geteuid()) + " 1\n";
    const std::string gidMap =
        std::to_string(options.idInOwnNamespace) + " " + std::to_string(getegid()) + " 1\n";

    // Numbered high, so that no descriptor passed to the child lands on it.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot start " + options.argv[0] + ": pipe: " + ErrnoText(errno));
    }
    const int reportFd = fcntl(report[1], F_DUPFD_CLOEXEC, 100);
    close(report[1]);
    if (reportFd < 0) {
        close(report[0]);
        throw std::runtime_error("cannot start " + options.argv[0] +
                                 ": fcntl: " + ErrnoText(errno));
    }

    pid_ = fork();
    if (pid_ < 0) {
        const int error = errno;
        close(report[0]);
        close(reportFd);
        throw std::runtime_error("cannot start " + options.argv[0] + ": fork: " + ErrnoText(error));
    }
    if (pid_ == 0) {
        setpgid(0, 0);
        if (options.stdinFd >= 0) {
            Pass(reportFd, options.stdinFd, STDIN_FILENO);
        } else {
            Redirect(reportFd, "/dev/null", STDIN_FILENO, O_RDONLY);
        }
        if (options.stdoutFd >= 0) {
            Pass(reportFd, options.stdoutFd, STDOUT_FILENO);
        } else {
            Redirect(reportFd, options.stdoutPath.c_str(), STDOUT_FILENO,
                     O_WRONLY | O_CREAT | O_TRUNC);
        }
        Redirect(reportFd, options.stderrPath.c_str(), STDERR_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
        if (options.passFd >= 0) {
            Pass(reportFd, options.passFd, options.passedFd);
        }
        // The files above are opened as the test's user, before the switch.
        if (options.idInOwnNamespace >= 0) {
            if (unshare(CLONE_NEWUSER) != 0) {
                ChildFails(reportFd, "unshare(CLONE_NEWUSER)");
            }
            WriteProcFile(reportFd, "/proc/self/setgroups", "deny");
            WriteProcFile(reportFd, "/proc/self/uid_map", uidMap.c_str());
            WriteProcFile(reportFd, "/proc/self/gid_map", gidMap.c_str());
        }
        if (options.uid >= 0) {
            if (setgroups(0, nullptr) != 0) {
                ChildFails(reportFd, "setgroups");
            }
            if (setgid(options.gid) != 0) {
                ChildFails(reportFd, "setgid");
            }
            if (setuid(options.uid) != 0) {
                ChildFails(reportFd, "setuid");
            }
        }
        // Set after the switches, which would clear it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127); // the test died before the child got here
        }
        execve(argv[0], argv.data(), envp.data());
        ChildFails(reportFd, "execve");
    }
    close(reportFd);
    // Set from both sides, so the group exists whichever runs first.
    setpgid(pid_, pid_);

    // Nothing comes through once exec has closed the pipe.
    StartFailure failure;
    ssize_t got = 0;
    do {
        got = read(report[0], &failure, sizeof failure);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    if (got == static_cast<ssize_t>(sizeof failure)) {
        End();
        throw std::runtime_error("cannot start " + options.argv[0] + ": " + failure.step + ": " +
                                 ErrnoText(failure.error));
    }
}

ChildProcess::~ChildProcess() {
    End();
}

bool ChildProcess::Running() {
    if (status_) {
        return false;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = status;
        return false;
    }
    return true;
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    if (!WaitUntil([&] { return !Running(); }, timeout)) {
        return std::nullopt;
    }
    return status_;
}

void ChildProcess::End() {
    if (pid_ <= 0) {
        return;
    }
    if (!status_) {
        // The whole group, so that anything the child started goes too. The
        // child is watched without being reaped: while it is not, its number
        // (the group's) cannot be reused, so the last kill hits only its own.
        kill(-pid_, SIGTERM);
        WaitUntil(
            [&] {
                siginfo_t info{};
                const int watched =
                    waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
                return (watched == 0 && info.si_pid == pid_) || (watched < 0 && errno != EINTR);
            },
            GraceToEnd, std::chrono::milliseconds(5));
        kill(-pid_, SIGKILL);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        status_ = status;
    }
    pid_ = -1;
}

ScratchDirectory::ScratchDirectory(const char* prefix)
    : path(std::string("/tmp/") + prefix + "-XXXXXX") {
    if (mkdtemp(path.data()) == nullptr) {
        throw std::runtime_error("cannot make a directory " + path +
                                 ": mkdtemp: " + ErrnoText(errno));
    }
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string LogTail(const std::string& path, int lines) {
    std::ifstream in(path);
    std::deque<std::string> last;
    std::string line;
    while (std::getline(in, line)) {
        last.push_back(line);
        if (static_cast<int>(last.size()) > lines) {
            last.pop_front();
        }
    }
    if (last.empty()) {
        return "\n    (" + path + " is empty)";
    }
    std::string text = "\n  the end of " + path + ":";
    for (const std::string& kept : last) {
        text += "\n    " + kept;
    }
    return text;
}

int UserNamespaceRefusal() {
    // In a child: a process with threads cannot make one (EINVAL), and the
    // test's own credentials stay as they are.
    const pid_t pid = fork();
    if (pid < 0) {
        return errno;
    }
    if (pid == 0) {
        _exit(unshare(CLONE_NEWUSER) == 0 ? 0 : errno);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : ECHILD;
}

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}
