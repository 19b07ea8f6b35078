#pragma once

#include "random_source.h"

#include <cstdint>
#include <random>

// The real generator: a Mersenne Twister that a reseed stirs with the clock.
class ClockRandom : public RandomSource {
  public:
    void rtcRandomize() override;
    float rtcRandomNext(float arg) override;

    // A word of the engine as a value in [0, 1): its top 24 bits fill a
    // float's mantissa exactly, so the value is uniform on a grid of 2^-24
    // and never rounds up to 1.0.
    static float UnitFromWord(std::uint32_t word);

  private:
    std::mt19937 engine_;
};
