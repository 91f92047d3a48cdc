#pragma once

// Controls that act on a press also act from the keyboard: Tab reaches them,
// and Space or Return acts as the press does. Return presses a focused
// button of the panel as Space does.

#include <functional>

class QWidget;

namespace corv::ui {

// `target` takes the focus from Tab; Space, Return and Enter run `action`.
void actOnKeys(QWidget* target, std::function<void()> action);

// Return and Enter on a focused button outside dialogs press it as Space
// does; installed once per process run.
void installReturnPresses();

} // namespace corv::ui
