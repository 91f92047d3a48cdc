#include "logitech/BatteryLevel.h"

#include "logitech/Hidpp20.h"
#include "logitech/HidppReport.h"

#include <algorithm>

namespace corv::logitech {

namespace h = hidpp20;

namespace {

constexpr int kStatusShift = 8;

} // namespace

const std::array<std::uint16_t, 100> kVoltageThresholds{
    4186, 4156, 4143, 4133, 4122, 4113, 4103, 4094, 4086, 4075,  //
    4067, 4059, 4051, 4043, 4035, 4027, 4019, 4011, 4003, 3997,  //
    3989, 3983, 3976, 3969, 3961, 3955, 3949, 3942, 3935, 3929,  //
    3922, 3916, 3909, 3902, 3896, 3890, 3883, 3877, 3870, 3865,  //
    3859, 3853, 3848, 3842, 3837, 3833, 3828, 3824, 3819, 3815,  //
    3811, 3808, 3804, 3800, 3797, 3793, 3790, 3787, 3784, 3781,  //
    3778, 3775, 3772, 3770, 3767, 3764, 3762, 3759, 3757, 3754,  //
    3751, 3748, 3744, 3741, 3737, 3734, 3730, 3726, 3724, 3720,  //
    3717, 3714, 3710, 3706, 3702, 3697, 3693, 3688, 3683, 3677,  //
    3671, 3666, 3662, 3658, 3654, 3646, 3633, 3612, 3579, 3537,
};

int batteryFromLevelReply(int storedBattery, ReportBytes report) {
    const int level = byteAt(report, h::battery::kLevelByte);
    const int status = byteAt(report, h::battery::kStatusByte);
    if (level == 0 && status != 0) {
        const int kept = storedBattery < 0 ? 0 : (storedBattery & 0xFF);
        return kept + (status << kStatusShift);
    }
    return std::min(level, h::battery::kFullLevel);
}

int batteryFromVoltageReply(ReportBytes report) {
    const int millivolts = report.size() > h::voltage::kMillivoltsByte + 1
                               ? hidpp::readBE16(report.data() + h::voltage::kMillivoltsByte)
                               : 0;
    int level = 0;
    for (std::size_t n = 0; n < kVoltageThresholds.size(); ++n) {
        if (millivolts > kVoltageThresholds[n]) {
            level = 100 - static_cast<int>(n);
            break;
        }
    }
    const std::uint8_t flags = byteAt(report, h::voltage::kFlagsByte);
    int status = 0;
    if (flags & h::voltage::kChargingFlag) {
        if (flags & h::voltage::kChargeCompleteFlag) {
            status = 9;
        } else {
            switch (flags & h::voltage::kChargeStateMask) {
            case 0: status = 1; break;
            case 1: status = 3; break;
            case 2: status = 7; break;
            default: status = 10; break;
            }
        }
    }
    return status << kStatusShift | level;
}

int batteryFromUnifiedReply(ReportBytes report) {
    return byteAt(report, h::unifiedBattery::kLevelByte) +
           (byteAt(report, h::unifiedBattery::kChargingByte) << kStatusShift);
}

} // namespace corv::logitech
