#include "ui/ToggleState.h"

namespace corv::ui {

std::optional<ToggleState::Change> ToggleState::observe(bool now) {
    if (now == seen_) return std::nullopt;
    seen_ = now;
    const Change c{now, byClick_};
    byClick_ = false;
    return c;
}

} // namespace corv::ui
