#pragma once

namespace corv::desktop {

// Before the QApplication: with no display to show windows on and no Qt
// platform chosen, chooses the offscreen one and says so once.
void useOffscreenWithoutDisplay();

} // namespace corv::desktop
