#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

// A program started for a test, in a process group of its own. When this
// object goes, its whole group is asked to end (SIGTERM, so that an X server
// takes its lock file and socket with it) and killed if it has not ended
// within a few seconds; the kernel kills it too if the test program itself
// dies first, so a failed or crashed test leaves nothing running.
//
// A program that cannot be started (a file that cannot be opened, a user
// that cannot be switched to, exec refused) makes the constructor throw,
// naming the step and errno.
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
        // Runs the child in a user namespace of its own, where it is this
        // user and group (not 0) while the kernel still sees the test's own,
        // or -1. It reaches every file the test reaches and no more, and
        // holds no privilege outside. The test's supplementary groups are
        // dropped inside (setgroups deny), as an unprivileged namespace must.
        int idInOwnNamespace = -1;
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
    // Ends the child's whole group, asking first; see above.
    void End();

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// A directory of the test's own, /tmp/PREFIX-XXXXXX, private to its owner
// (short, for sockets inside: a socket's path has room for 107 bytes), that
// goes with everything in it when this goes.
struct ScratchDirectory {
    explicit ScratchDirectory(const char* prefix);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;
    std::string path;
};

// Reads a whole file; empty when it does not exist.
std::string ReadFile(const std::string& path);

// The last `lines` lines of a log, indented, to quote in a failure message;
// says so when the log is empty.
std::string LogTail(const std::string& path, int lines = 12);

// What errno `error` means, with its name: "Permission denied (EACCES)".
std::string ErrnoText(int error);

// 0 when this process can make a user namespace (see idInOwnNamespace), or
// the errno that unshare(2) gives: EPERM in a chroot(2), in many containers
// and where the administrator has turned them off.
int UserNamespaceRefusal();

// Resident memory of a running process in KiB, from /proc/PID/status.
long ResidentKiB(pid_t pid);
