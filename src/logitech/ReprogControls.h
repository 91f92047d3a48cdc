#pragma once

// Reprogrammable controls (feature 0x1B04): which controls can be diverted,
// and the parameters of a divert request.

#include "logitech/Hidpp20.h"

#include <cstdint>
#include <span>

namespace corv::logitech {

// Both bits 0x10 and 0x20 of the control's flags are set.
bool isDivertableControl(std::uint8_t flags);

// A control information answer (function 1).
struct ControlInfo {
    std::uint16_t controlId = 0;
    std::uint8_t flags = 0;
};
ControlInfo decodeControlInfo(ReportBytes report);

// Bytes 4 to 8 of a divert request: the control, diverted (3) when it has
// bindings and not (2) otherwise, and the control's own id as its target.
void writeDivertParams(std::span<std::uint8_t> request, std::uint16_t controlId, bool bound);

} // namespace corv::logitech
