#pragma once

// Diverting a keyboard's reprogrammable controls (feature 0x1B04, function
// 3): a control with bindings is diverted to the program, one without is
// given back to the keyboard.

#include "model/LogiKeyOpt.h"

#include <cstdint>
#include <vector>

namespace corv::logitech {

struct DivertRequest {
    std::uint16_t controlId = 0;
    bool bound = false;  // divert (3) when bound, else not (2)
    bool operator==(const DivertRequest&) const = default;
};

// The divert requests of one keyboard's options: every control of id1b04List
// whose flags can be diverted, in the list's order.
std::vector<DivertRequest> divertPlan(const LogiKeyOpt& options);

// Sends the divert requests of every valid keyboard with controls, one
// software id per keyboard. The bindings are read now, on the main thread;
// the requests go out through the request queue.
void updateControlDiversionAsync();
void updateControlDiversion();

} // namespace corv::logitech
