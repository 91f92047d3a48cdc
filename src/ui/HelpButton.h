#pragma once

// The help symbol of the setting rows: shows or hides the big hint.

#include <string>

class QToolButton;
class QWidget;

namespace corv::ui {

QToolButton* makeHelpButton(const std::string& text, QWidget* parent);

} // namespace corv::ui
