#pragma once

// Reports a widget's frame in global coordinates on a later turn of the event
// loop, and again whenever the frame (position or size) changes.

#include "platform/Rect.h"

#include <functional>

class QWidget;

namespace corv::ui {

void onSizeChange(QWidget* widget, std::function<void(const platform::Rect& frame)> report);

// The widget's frame in global coordinates.
platform::Rect globalFrame(const QWidget* widget);

// Calls back, on a later turn, with the widget's window, or with none when
// the widget is not shown in one.
void withHostingWindow(QWidget* widget, std::function<void(QWidget* window)> callback);

// When the widget is first shown, its window becomes the active one, so its
// fields take typing.
void makeKeyWindowWhenShown(QWidget* widget);

} // namespace corv::ui
