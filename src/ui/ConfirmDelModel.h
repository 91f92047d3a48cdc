#pragma once

// The two-click delete: the first click arms the button for 3 seconds, the
// second deletes.

#include <functional>
#include <memory>

namespace corv::ui {

class ConfirmDelModel {
public:
    static constexpr double kArmed = 3.0;

    explicit ConfirmDelModel(std::function<void()> action) : action_(std::move(action)) {}
    ConfirmDelModel(const ConfirmDelModel&) = delete;
    ConfirmDelModel& operator=(const ConfirmDelModel&) = delete;

    // A click; a disabled button takes none.
    void click();
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool enabled() const { return enabled_; }

    // 0 resting, 1 waiting for the confirming click.
    int phase() const { return state_->phase; }
    // The cross's opacity in the armed state; it flips at each arming.
    double bling() const { return state_->bling; }

    // Told after every change of phase.
    std::function<void()> onChange;

private:
    struct State {
        int phase = 0;
        double bling = 1.0;
        ConfirmDelModel* owner = nullptr;
    };

    std::function<void()> action_;
    bool enabled_ = true;
    // Shared with the pending disarm, which outlives a destroyed button.
    std::shared_ptr<State> state_ = std::make_shared<State>(State{0, 1.0, this});

public:
    ~ConfirmDelModel() { state_->owner = nullptr; }
};

} // namespace corv::ui
