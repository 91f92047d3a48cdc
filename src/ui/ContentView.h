#pragma once

// The panel's root view: the four-tab bar over the selected tab's content.

class QWidget;

namespace corv::ui {

// The content of the settings panel, made fresh each time the panel opens.
QWidget* makeContentView(QWidget* parent);

} // namespace corv::ui
