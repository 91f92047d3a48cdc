#pragma once

// The rule of the stepped integer slider, without widgets: as other desktop
// sliders, a drag carries the fill's end with the pointer, a click beside it
// pages toward the click, and keys and wheel notches step.

#include <cstdint>
#include <optional>

namespace corv::ui {

enum class SliderKey { StepUp, StepDown, PageUp, PageDown, Low, High };

// An integer slider from `low` to `high` in steps of `interval`, in a control
// `width` wide. Presses, moves and releases give the pointer's x; a value to
// write is returned. Bounds that leave no span, a step below 1 or a width of
// 0 never divide by zero.
class IntSliderModel {
public:
    IntSliderModel(std::int64_t low, std::int64_t high, std::int64_t interval);

    // A press on the fill's end grabs it; elsewhere it pages at release,
    // unless the pointer moves off first, which then carries the fill's end.
    void pressed(std::int64_t ctrl, double x, double width);
    std::optional<std::int64_t> moved(double x, double width);
    std::optional<std::int64_t> ended(std::int64_t ctrl, double x, double width);

    std::int64_t keyed(std::int64_t ctrl, SliderKey key) const;
    // Wheel turns in eighths of a degree (120 a notch); parts of a notch add up.
    std::optional<std::int64_t> wheeled(std::int64_t ctrl, int angle);

    // The whole step nearest to the fraction x / width of the span.
    std::int64_t valueAt(double x, double width) const;
    // Where the fill ends, 0…1.
    double fraction(std::int64_t ctrl) const;
    std::int64_t clamp(std::int64_t v) const;
    std::int64_t pageStep() const;
    bool dragging() const { return dragging_; }

    // How near the fill's end a press grabs it, and how far a press elsewhere
    // moves before it drags.
    static constexpr double kGrab = 8, kDragDistance = 4;

private:
    double span() const { return double(high_) - double(low_); }

    std::int64_t low_, high_, interval_;
    bool pressing_ = false;
    bool dragging_ = false;
    double pressX_ = 0;
    // The pointer's distance from the fill's end while dragging.
    double grab_ = 0;
    int wheel_ = 0;
};

} // namespace corv::ui
