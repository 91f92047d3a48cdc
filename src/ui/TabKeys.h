#pragma once

// The keys of the panel's tab view, wherever the focus is in its window:
// Tab and Backtab go in reading order (in the popups it opens too), Ctrl+Tab and Ctrl+PageDown bring the
// next tab, Ctrl+Shift+Tab and Ctrl+PageUp the previous one (round the
// ends), and the left and right arrows move along the tab bar.

namespace corv::ui {

class CustomTabView;

// Lives as long as the view.
void installTabKeys(CustomTabView* view);

} // namespace corv::ui
