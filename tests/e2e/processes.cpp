#include "processes.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

[[noreturn]] void ChildFails(const char* what) {
    // Only async-signal-safe calls between fork and exec.
    const char prefix[] = "test harness: cannot start child: ";
    (void)!write(STDERR_FILENO, prefix, sizeof prefix - 1);
    (void)!write(STDERR_FILENO, what, std::strlen(what));
    (void)!write(STDERR_FILENO, "\n", 1);
    _exit(127);
}

void Redirect(const std::string& path, int fd, int flags) {
    const int opened = open(path.c_str(), flags, 0644);
    if (opened < 0 || dup2(opened, fd) < 0) {
        ChildFails(path.c_str());
    }
    close(opened);
}

void Pass(int from, int to) {
    if (dup2(from, to) < 0) {
        ChildFails("passing a descriptor");
    }
}

} // namespace

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

    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid_ == 0) {
        setpgid(0, 0);
        if (options.stdinFd >= 0) {
            Pass(options.stdinFd, STDIN_FILENO);
        } else {
            Redirect("/dev/null", STDIN_FILENO, O_RDONLY);
        }
        if (options.stdoutFd >= 0) {
            Pass(options.stdoutFd, STDOUT_FILENO);
        } else {
            Redirect(options.stdoutPath, STDOUT_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
        }
        Redirect(options.stderrPath, STDERR_FILENO, O_WRONLY | O_CREAT | O_TRUNC);
        if (options.passFd >= 0) {
            Pass(options.passFd, options.passedFd);
        }
        // The files above are opened as the test's user, before the switch.
        if (options.uid >= 0 &&
            (setgroups(0, nullptr) != 0 || setgid(options.gid) != 0 || setuid(options.uid) != 0)) {
            ChildFails("switching user");
        }
        // Set after the switch, which would clear it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127); // the test died before the child got here
        }
        execve(argv[0], argv.data(), envp.data());
        ChildFails(argv[0]);
    }
    // Set from both sides, so the group exists whichever runs first.
    setpgid(pid_, pid_);
}

ChildProcess::~ChildProcess() {
    Kill();
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
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
}

void ChildProcess::Kill() {
    if (pid_ <= 0) {
        return;
    }
    if (!status_) {
        // The whole group, so that anything the child started goes too. Once
        // the child is reaped its number may be reused, so no kill after that.
        kill(-pid_, SIGKILL);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        status_ = status;
    }
    pid_ = -1;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
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
