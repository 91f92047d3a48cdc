#pragma once

// A press outside a popup closes it and still reaches the control it landed
// on, so that control needs no second click; a press on the control that
// opened the popup only closes it.

class QMouseEvent;
class QWidget;

namespace corv::ui {

// Makes `popup` pass its outside presses on (once, when it is made).
void passPressesOn(QWidget* popup);

// From the popup's mousePressEvent: true when the press lay outside and was
// dealt with (the popup is closed).
bool pressOutside(QWidget* popup, QMouseEvent* e, const QWidget* anchor);

} // namespace corv::ui
