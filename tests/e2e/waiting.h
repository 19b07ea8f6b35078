#pragma once

// Waiting for what the desktop, its programs and the game do in their own
// time, always against a deadline, so that what never happens fails the test
// instead of hanging it.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

// How long anything may take before it counts as never. Generous: the
// machine may be busy with other builds.
inline constexpr std::chrono::seconds Patience(30);

// "within 30 s", for failure messages.
std::string WithinPatience();

// Waits until `done` holds or `timeout` has passed, looking `every` so often;
// whether it held. `done` may throw to give up at once.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = Patience,
               std::chrono::milliseconds every = std::chrono::milliseconds(15));

// A line read from `fd`, without its newline; nothing when the other end
// closes, or says no whole line within `timeout`.
std::optional<std::string> ReadLine(int fd, std::chrono::milliseconds timeout = Patience);
