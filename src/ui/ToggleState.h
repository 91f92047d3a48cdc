#pragma once

// The rule of the check-box row, without widgets: its click flag.

#include <optional>

namespace corv::ui {

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

} // namespace corv::ui
