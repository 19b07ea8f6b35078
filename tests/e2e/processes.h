#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// A program started for a test, in a process group of its own. It is killed
// with its whole group when this object goes, and the kernel kills it too if
// the test program itself dies first, so a failed or crashed test leaves
// nothing running.
class ChildProcess {
  public:
    struct Options {
        std::vector<std::string> argv;
        // The child's whole environment: nothing of the test's leaks through.
        std::vector<std::string> environment;
        std::string stdoutPath = "/dev/null";
        std::string stderrPath = "/dev/null";
        // A descriptor the child keeps open as number `passedFd`, or -1.
        int passFd = -1;
        int passedFd = -1;
        // Descriptors for the child's standard input and output (pipe ends,
        // say) in place of /dev/null and stdoutPath, or -1.
        int stdinFd = -1;
        int stdoutFd = -1;
        // Runs the child as this user and group instead of the test's own
        // (some programs refuse to run as root), or -1.
        int uid = -1;
        int gid = -1;
    };

    explicit ChildProcess(const Options& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running();
    // Waits for the child to end by itself; its raw wait status, or nothing
    // when it still runs after `timeout`.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
    void Kill();

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Reads a whole file; empty when it does not exist.
std::string ReadFile(const std::string& path);

// Resident memory of a running process in KiB, from /proc/PID/status.
long ResidentKiB(pid_t pid);
