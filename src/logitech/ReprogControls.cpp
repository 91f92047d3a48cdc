#include "logitech/ReprogControls.h"

#include "logitech/BigEndian.h"
#include "logitech/Hidpp20.h"

namespace corv::logitech {

namespace c = hidpp20::controls;

bool isDivertableControl(std::uint8_t flags) { return (flags & c::kDivertableFlags) == c::kDivertableFlags; }

ControlInfo decodeControlInfo(ReportBytes report) {
    ControlInfo info;
    info.controlId = readBe16(report, c::kControlIdByte);
    info.flags = c::kFlagsByte < report.size() ? report[c::kFlagsByte] : 0;
    return info;
}

void writeDivertParams(std::span<std::uint8_t> request, std::uint16_t controlId, bool bound) {
    if (request.size() <= c::kRemapControlByte + 1) return;
    writeBe16(request, c::kDivertControlByte, controlId);
    request[c::kDivertModeByte] = bound ? c::kDivert : c::kNoDivert;
    writeBe16(request, c::kRemapControlByte, controlId);
}

} // namespace corv::logitech
