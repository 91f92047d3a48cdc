#pragma once

// The rule of the stepped integer slider, without widgets: its press handling.

#include <cstdint>
#include <optional>

namespace corv::ui {

// An integer slider from `low` to `high` in steps of `interval`, driven by one
// press: moves report the horizontal translation since the press began, the
// end reports it and the release point. A value to write is returned; bounds
// that leave no span, a step below 1 or a width of 0 never divide by zero.
class IntSliderModel {
public:
    IntSliderModel(std::int64_t low, std::int64_t high, std::int64_t interval);

    std::optional<std::int64_t> moved(std::int64_t ctrl, double translation, double width);
    std::optional<std::int64_t> ended(std::int64_t ctrl, double translation, double releaseX, double width);

    // Where the fill ends, 0…1.
    double fraction(std::int64_t ctrl) const;
    std::int64_t clamp(std::int64_t v) const;
    bool dragging() const { return isDraging_; }

private:
    double span() const { return double(high_) - double(low_); }

    std::int64_t low_, high_, interval_;
    bool isDraging_ = false;
    std::int64_t lastCtrl_ = 0;
};

} // namespace corv::ui
