#pragma once

// The trackpad tab's content, made fresh each time the tab is selected.

class QWidget;

namespace corv::ui {

QWidget* makeTrackpadTab(QWidget* parent);

} // namespace corv::ui
