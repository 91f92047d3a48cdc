#pragma once

namespace corv::desktop {

// Before the QApplication: with no display to show windows on and no Qt
// platform chosen, chooses the offscreen one and says so once. A named
// display gets the offscreen platform as its fallback.
void useOffscreenWithoutDisplay();
// After the QApplication: says when the fallback was taken, and takes the
// platform choice back from the environment.
void platformChosen();

} // namespace corv::desktop
