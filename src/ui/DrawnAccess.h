#pragma once

// The panel's drawn controls speak to screen readers as what they look like:
// a check box, checkable and checked while on; a tab of the tab bar or an
// icon of the strip, selected while its content is shown.

class QWidget;

namespace corv::ui {

// `w` is a check box that is now on or off, or a tab now selected or not; a
// change is announced. First called before anything names `w`, which makes
// its screen-reader face.
void setCheckState(QWidget* w, bool on);
void setTabState(QWidget* w, bool selected);

} // namespace corv::ui
