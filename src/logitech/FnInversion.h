#pragma once

// Fn inversion of a keyboard: the single-host feature 0x40A2 and the
// multi-host feature 0x40A3. The set requests carry the user's setting from
// the keyboard's stored options; the handlers show what the keyboard reports
// and bring the two into line.

#include "logitech/Hidpp20.h"

namespace corv::logitech {

// The user changed the setting: sends it, and allows one automatic correction.
void hidppSetFnInversion(int keyboard);
void hidppSetFnInversionMultiHost(int keyboard);

// Answers and events of 0x40A2: a state that differs from the setting in a
// function-0 report is corrected by sending the setting again.
void handleFnInversionReply(int keyboard, ReportBytes report);

// Answers and events of 0x40A3: an event (byte 3 = 0) becomes the setting; an
// answer to function 0 that differs is corrected.
void handleFnInversionMultiHostReply(int keyboard, ReportBytes report);

} // namespace corv::logitech
