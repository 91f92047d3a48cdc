#pragma once

// The backlight of a keyboard (feature 0x1982): setting its configuration
// from the user's stored words, reading it back, and the handler of its
// answers and events.

#include "logitech/Hidpp20.h"

namespace corv::logitech {

// The user changed the backlight: sends the stored configuration, and allows
// one automatic correction.
void hidppSetBacklightConfig(int keyboard);

// Reads the configuration (function 0), then the information (function 2).
void hidppReadBacklight(int keyboard);

// A configuration answer fills the shown and stored words and corrects an
// on/off that differs from the user's switch; a set answer reads back; an
// information answer or event updates the options word.
void handleBacklightReply(int keyboard, ReportBytes report);

} // namespace corv::logitech
