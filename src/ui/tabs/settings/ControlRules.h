#pragma once

// The rules of the setting controls, without widgets: the check-box row's
// click flag and the stepped integer slider's press handling.

#include <cstdint>
#include <optional>

namespace corv::ui::settings {

// A check-box row: reports each change of its value once, with whether a
// click on the row caused it.
class ToggleState {
public:
    explicit ToggleState(bool initial) : seen_(initial) {}
    // A press on the row; the caller then writes the negated value.
    void click() { byClick_ = true; }
    // The value now; a change since the last look gives (value, byClick).
    struct Change {
        bool value;
        bool byClick;
    };
    std::optional<Change> observe(bool now);
    // After a click whose write changed nothing.
    void clickDone() { byClick_ = false; }
    bool byClick() const { return byClick_; }

private:
    bool seen_;
    bool byClick_ = false;
};

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

} // namespace corv::ui::settings
