#pragma once

// The platform's random generator as the deals use it.
class RandomSource {
  public:
    virtual ~RandomSource() = default;

    // Reseeds from the system clock.
    virtual void rtcRandomize() = 0;
    // The next value of the sequence, uniform in [0, 1). The deals always pass
    // a positive argument, which only asks for the next value.
    virtual float rtcRandomNext(float arg) = 0;
};
