#pragma once

// The bolt button of the URL editors: a menu of the system's shortcuts, each
// handed to `pick` when chosen.

#include <functional>
#include <string>

class QToolButton;
class QWidget;

namespace corv::ui {

QToolButton* makeShortcutsButton(QWidget* parent, std::function<void(const std::string& name)> pick);

} // namespace corv::ui
