#include "ui/Dialogs.h"

#include "model/UIState.h"

namespace corv::ui {

namespace {
Dialogs* installed = nullptr;
}

Dialogs& dialogs() { return installed ? *installed : qtDialogs(); }

void setDialogs(Dialogs* d) { installed = d; }

DialogScope::DialogScope() { UIState::shared().openDialog(); }

DialogScope::~DialogScope() { UIState::shared().closeDialog(); }

bool runIfNoDialog(const std::function<void()>& action) {
    if (UIState::shared().dialogShowing.get() != 0) return false;
    DialogScope scope;
    action();
    return true;
}

} // namespace corv::ui
