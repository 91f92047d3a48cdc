#pragma once

// Which of a touchpad's frames reach its clone. A multi-finger touch is held
// back while it may still become a gesture the taps want; once the taps have
// seen the gesture begin it goes on to the clone, or is dropped when they
// swallowed it, lifting on the clone any finger the clone already saw. A
// single finger, and whatever the taps let through, passes at once.

#include <linux/input.h>

#include <array>
#include <cstdint>
#include <optional>
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

    // Follows as many slots as the device has, at least 16 and at most 256.
    explicit TouchpadHold(int slots = 16);

    // One frame of the device, ending with its SYN_REPORT: its finger count,
    // whether the recogniser is still deciding, and the verdict on its
    // gesture events when one of them began a gesture or was a tap. Returns
    // what to write to the clone now.
    std::vector<input_event> frame(std::span<const input_event> raw, int fingers, bool undecided, Verdict began);

    // The hold has lasted kMaxHoldNs with no frame to end it: what to write
    // to the clone now. Nothing unless holding.
    std::vector<input_event> expire();

    // Frames waiting, for tests and the benchmark.
    std::size_t heldFrames() const { return held_.size(); }

    enum class State { Idle, Passing, Holding, Swallowing };
    State state() const { return state_; }

private:
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
    // Passing again after a swallowed gesture: the clone is told of the
    // contacts and keys down now, before the next frame it gets.
    void announce(const input_event& stamp, std::vector<input_event>& out);
    void passing(const input_event& stamp, std::vector<input_event>& out) {
        if (announce_) announce(stamp, out);
    }
    void release(bool emit, std::vector<input_event>& out);
    bool cloneTouched() const;

    State state_ = State::Idle;
    std::vector<std::vector<input_event>> held_;
    std::uint64_t holdStart_ = 0;
    int lastFingers_ = 0;  // the finger count of the last frame

    // The device as of the last frame written or dropped.
    int deviceSlot_ = 0;
    std::vector<SlotState> device_;
    std::array<bool, KEY_CNT> deviceKeys_{};
    // The clone as of the last frame written.
    int cloneSlot_ = 0;
    std::vector<int> cloneIds_;
    std::array<bool, KEY_CNT> cloneKeys_{};
    std::optional<int> absX_, absY_;
    bool announce_ = false;  // the clone lost the touch to a swallowed gesture
};

} // namespace corv::desktop
