// The floor under every program that wakes a thousand times a second: a
// timerfd at 1 ms read in a loop, with nothing done on a wake-up. No toolkit,
// no window; what the game or a bare Qt window costs above this is the cost
// of being a windowed program with a 1 ms timer at all.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

int main() {
    const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    if (timer < 0) {
        std::perror("timerfd_floor: timerfd_create");
        return 1;
    }
    const itimerspec everyMillisecond{{0, 1'000'000}, {0, 1'000'000}};
    if (timerfd_settime(timer, 0, &everyMillisecond, nullptr) != 0) {
        std::perror("timerfd_floor: timerfd_settime");
        return 1;
    }
    std::uint64_t expirations = 0;
    while (read(timer, &expirations, sizeof expirations) == sizeof expirations) {
    }
    return 0;
}
