#pragma once

#include "board.h"
#include "game_state.h"
#include "overflow.h"

#include <array>
#include <string>
#include <vector>

// A board that remembers what each cell shows and every call made to it, so
// tests can check both the result and the order of steps.
class RecordingBoard : public Board {
  public:
    struct Call {
        enum Kind { Caption, Picture, Visible } kind;
        int cell = 0;  // 1..16, 0 for the caption
        int value = 0; // holder number, or 1/0 for shown/hidden
        bool operator==(const Call&) const = default;
    };

    void SetCaption(std::string_view caption) override {
        Fail();
        caption_ = caption;
        calls.push_back({Call::Caption, 0, 0});
    }
    void SetCellPicture(int k, int holder) override {
        Fail();
        picture_.at(Index(k)) = holder;
        calls.push_back({Call::Picture, k, holder});
    }
    void SetCellVisible(int k, bool visible) override {
        Fail();
        visible_.at(Index(k)) = visible;
        calls.push_back({Call::Visible, k, visible ? 1 : 0});
    }

    // The n-th call from now on fails as a window's control can fail: with a
    // run-time error, and without taking effect.
    void FailCall(int n) { failIn_ = n; }

    const std::string& Caption() const { return caption_; }
    // Holder of the picture cell k shows, 0 while it has none.
    int Picture(int k) const { return picture_.at(Index(k)); }
    bool Visible(int k) const { return visible_.at(Index(k)); }

    std::vector<Call> calls;

  private:
    static std::size_t Index(int k) { return static_cast<std::size_t>(k - 1); }
    void Fail() {
        if (failIn_ > 0 && --failIn_ == 0) {
            throw RunTimeError("Invalid picture");
        }
    }

    std::string caption_;
    std::array<int, CellCount> picture_{};
    std::array<bool, CellCount> visible_ = [] {
        std::array<bool, CellCount> all{};
        all.fill(true);
        return all;
    }();
    int failIn_ = 0;
};
