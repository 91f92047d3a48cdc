#pragma once

// Which of a touchpad's frames reach its clone. A multi-finger touch is held
// back while it may still become a gesture the taps want; once the taps have
// seen the gesture begin it goes on to the clone, or is dropped when they
// swallowed it, lifting on the clone any finger the clone already saw. A
// single finger, and whatever the taps let through, passes at once.

#include <linux/input.h>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace corv::desktop {

class TouchpadHold {
public:
    // A touch no gesture has claimed yet passes after this long, so resting
    // fingers never hold the pointer back.
    static constexpr std::uint64_t kMaxHoldNs = 200'000'000;

    // What the taps made of the gesture events of one frame.
    enum class Verdict { NoGesture, Passed, Swallowed };

    // One frame of the device, ending with its SYN_REPORT: its finger count,
    // whether the recogniser is still deciding, and the verdict on its
    // gesture events when one of them began a gesture or was a tap. Returns
    // what to write to the clone now.
    std::vector<input_event> frame(std::span<const input_event> raw, int fingers, bool undecided, Verdict began);

    // Frames waiting, for tests and the benchmark.
    std::size_t heldFrames() const { return held_.size(); }

    enum class State { Idle, Passing, Holding, Swallowing };
    State state() const { return state_; }

private:
    static constexpr std::size_t kSlots = 16;
    struct SlotState {
        int trackingId = -1;
        int x = 0;
        int y = 0;
        bool hasX = false;
        bool hasY = false;
    };

    // Follows the device through a frame, and writes it when emit is set.
    void process(std::span<const input_event> raw, bool emit, std::vector<input_event>& out);
    void put(const input_event& ev, std::vector<input_event>& out);
    void liftClone(const input_event& stamp, std::vector<input_event>& out);
    void release(bool emit, std::vector<input_event>& out);
    bool cloneTouched() const;

    State state_ = State::Idle;
    std::vector<std::vector<input_event>> held_;
    std::uint64_t holdStart_ = 0;
    int lastFingers_ = 0;  // the finger count of the last frame

    // The device as of the last frame written or dropped.
    int deviceSlot_ = 0;
    std::array<SlotState, kSlots> device_{};
    // The clone as of the last frame written.
    int cloneSlot_ = 0;
    std::array<int, kSlots> cloneIds_ = filled(-1);
    std::array<bool, KEY_CNT> cloneKeys_{};

    static constexpr std::array<int, kSlots> filled(int v) {
        std::array<int, kSlots> a{};
        a.fill(v);
        return a;
    }
};

} // namespace corv::desktop
