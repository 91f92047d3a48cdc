#pragma once

// The panel's drawn check boxes speak to screen readers as check boxes: the
// check-box role, checkable, and checked while on.

class QWidget;

namespace corv::ui {

// `w` is a check box that is now on or off; a change is announced. First
// called before anything names `w`, which makes its screen-reader face.
void setCheckState(QWidget* w, bool on);

} // namespace corv::ui
