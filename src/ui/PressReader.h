#pragma once

// A press acts at its start: the action runs once on the first pointer event
// of the press, not on release, and dragging away does not cancel it.

#include <functional>

namespace corv::ui {

class PressReader {
public:
    explicit PressReader(std::function<void()> tapAction) : tapAction_(std::move(tapAction)) {}

    // A pointer event of a press (down or drag).
    void pointerDown() {
        if (pressing_) return;
        pressing_ = true;
        if (tapAction_) tapAction_();
    }
    void release() { pressing_ = false; }
    bool pressing() const { return pressing_; }
    // The content's scale while it shows the press.
    double scale(bool scaleEffect) const { return scaleEffect && pressing_ ? 0.9 : 1.0; }

private:
    std::function<void()> tapAction_;
    bool pressing_ = false;
};

} // namespace corv::ui
