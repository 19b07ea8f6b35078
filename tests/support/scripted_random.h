#pragma once

#include "random_source.h"

#include <cstddef>
#include <initializer_list>
#include <vector>

// A generator that hands out the values it was given, in order, and whose
// reseed changes nothing. Once the script runs out it walks (i + 0.5) / 17 for
// i = 0..16 over and over, which reaches every whole number of both deals'
// ranges, so any deal comes to an end.
class ScriptedRandom : public RandomSource {
  public:
    explicit ScriptedRandom(std::vector<float> script = {}) : script_(std::move(script)) {}

    // Instead of walking on, throw once the script runs out: a deal then stops
    // part-way and shows what its first passes did.
    struct RanOut {};
    ScriptedRandom& StopWhenDone() {
        stopWhenDone_ = true;
        return *this;
    }

    void rtcRandomize() override { ++reseeds; }
    float rtcRandomNext(float) override {
        ++draws;
        if (next_ < script_.size()) {
            return script_[next_++];
        }
        if (stopWhenDone_) {
            throw RanOut{};
        }
        const float value = (static_cast<float>(walk_) + 0.5f) / 17.0f;
        walk_ = (walk_ + 1) % 17;
        return value;
    }

    int reseeds = 0;
    int draws = 0;

  private:
    std::vector<float> script_;
    std::size_t next_ = 0;
    int walk_ = 0;
    bool stopWhenDone_ = false;
};

// The values that make a deal over `range` numbers draw exactly xs, in turn.
inline std::vector<float> DrawsFor(std::initializer_list<int> xs, int range) {
    std::vector<float> values;
    for (int x : xs) {
        values.push_back((static_cast<float>(x) + 0.5f) / static_cast<float>(range));
    }
    return values;
}
