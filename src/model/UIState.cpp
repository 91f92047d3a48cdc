#include "model/UIState.h"

#include "model/Shared.h"

namespace corv {

UIState& UIState::shared() { return Shared<UIState>::instance(); }

void UIState::openDialog() { dialogShowing.set(dialogShowing.get() + 1); }

void UIState::closeDialog() {
    if (dialogShowing.get() > 0) dialogShowing.set(dialogShowing.get() - 1);
}

} // namespace corv
