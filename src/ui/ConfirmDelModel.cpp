#include "ui/ConfirmDelModel.h"

#include "platform/Platform.h"
#include "platform/RunLoop.h"

namespace corv::ui {

void ConfirmDelModel::click() {
    if (!enabled_) return;
    if (state_->phase == 0) {
        state_->phase = 1;
        state_->bling = 1.1 - state_->bling;
        // Never cancelled: it disarms whenever it runs.
        platform::runLoop().postAfter(kArmed, [state = state_] {
            state->phase = 0;
            if (state->owner && state->owner->onChange) state->owner->onChange();
        });
        if (onChange) onChange();
        return;
    }
    if (state_->phase == 1) {
        state_->phase = 0;
        if (onChange) onChange();
        if (action_) action_();
    }
}

} // namespace corv::ui
