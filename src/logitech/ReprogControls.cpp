#include "logitech/ReprogControls.h"

#include "logitech/Hidpp20.h"
#include "logitech/HidppReport.h"

namespace corv::logitech {

namespace c = hidpp20::controls;

bool isDivertableControl(std::uint8_t flags) { return (flags & c::kDivertableFlags) == c::kDivertableFlags; }

ControlInfo decodeControlInfo(ReportBytes report) {
    ControlInfo info;
    if (report.size() <= c::kFlagsByte) return info;
    info.controlId = hidpp::readBE16(report.data() + c::kControlIdByte);
    info.flags = report[c::kFlagsByte];
    return info;
}

void writeDivertParams(std::span<std::uint8_t> request, std::uint16_t controlId, bool bound) {
    if (request.size() <= c::kRemapControlByte + 1) return;
    hidpp::writeBE16(request.data() + c::kDivertControlByte, controlId);
    request[c::kDivertModeByte] = bound ? c::kDivert : c::kNoDivert;
    hidpp::writeBE16(request.data() + c::kRemapControlByte, controlId);
}

} // namespace corv::logitech
