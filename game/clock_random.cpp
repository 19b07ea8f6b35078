#include "clock_random.h"

#include <chrono>
#include <cstdint>

void ClockRandom::rtcRandomize() {
    // A deal reseeds before each of its seventeen passes, all within a few
    // microseconds. Seeding from the clock alone could hand two passes the
    // same reading and so the same draws; folding the engine's own next word
    // in keeps every reseed moving the sequence on.
    const auto now = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    const auto clock = static_cast<std::uint32_t>(now ^ (now >> 32));
    engine_.seed(static_cast<std::uint32_t>(engine_()) ^ clock);
}

float ClockRandom::rtcRandomNext(float) {
    return UnitFromWord(static_cast<std::uint32_t>(engine_()));
}

float ClockRandom::UnitFromWord(std::uint32_t word) {
    constexpr float Scale = 1.0f / 16777216.0f;
    return static_cast<float>(word >> 8) * Scale;
}
