#pragma once

#include "random_source.h"

#include <random>

// The real generator: a Mersenne Twister that a reseed stirs with the clock.
class ClockRandom : public RandomSource {
  public:
    void rtcRandomize() override;
    float rtcRandomNext(float arg) override;

  private:
    std::mt19937 engine_;
};
