#pragma once

#include "game_session.h"
#include "processes.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Orca itself, Debian's package, reading the game on a session's desktop and
// its accessibility buses, with the desktop's flags saying that a screen
// reader runs. It speaks through a speech-dispatcher of its own, whose
// configuration (in a folder of the test's own) sends the sound nowhere.
//
// What Orca says is read from its debug log, the lines "SPEECH OUTPUT:
// '...'". Orca writes that log through an ordinary buffered file, so the log
// is a terminal (a pty) that this object reads as Orca writes: Python writes
// a terminal a line at a time. Everything Orca logs is kept in
// `dir`/orca-debug.txt.
class Orca {
  public:
    // Starts Orca on `session`'s desktop, which needs accessibility buses.
    Orca(const GameSession& session, const std::string& dir);
    ~Orca();
    Orca(const Orca&) = delete;
    Orca& operator=(const Orca&) = delete;

    // How many lines Orca has spoken so far.
    std::size_t Said() const;
    // The lines spoken since line `from`.
    std::vector<std::string> SaidSince(std::size_t from) const;
    // Waits until a line spoken since line `from` holds `text`, or is one
    // that `fits`; that line's number, or -1 when none came.
    int WaitToSay(const std::string& text, std::size_t from) const;
    int WaitToSay(const std::function<bool(const std::string&)>& fits, std::size_t from) const;
    // Waits until Orca has asked the accessibility bus for every event it
    // listens to; whether it has.
    bool WaitUntilListening() const;
    // Orca is still running.
    bool Running() { return orca_->Running(); }

  private:
    void Read();

    // Sockets go under a short runtime directory: their names have a limit.
    ScratchDirectory runtime_;
    int terminal_ = -1;
    int side_ = -1;
    std::unique_ptr<ChildProcess> speech_;
    std::unique_ptr<ChildProcess> orca_;
    std::thread reader_;
    std::string logPath_;
    mutable std::mutex mutex_;
    std::vector<std::string> spoken_;
    bool listening_ = false;
};
