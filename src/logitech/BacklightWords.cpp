#include "logitech/BacklightWords.h"


namespace corv::logitech {

namespace {

// Wide, so that shifting it into the upper bytes of a word is safe.
std::uint64_t wideByteAt(ReportBytes report, std::size_t at) { return byteAt(report, at); }

constexpr std::uint64_t kByte0 = 0xFF;
constexpr std::uint64_t kByte1 = 0xFF00;
constexpr std::uint64_t kAllButByte1 = 0xFFFF00FF;  // also clears bits above 31

// Configuration answer bytes.
constexpr std::size_t kConfigOnByte = 4;
constexpr std::size_t kConfigByte5 = 5;
constexpr std::size_t kConfigByte7 = 7;
constexpr std::size_t kConfigLevelByte = 9;
// Information answer bytes.
constexpr std::size_t kInfoLevelsByte = 4;
constexpr std::size_t kInfoLevelByte = 5;
constexpr std::size_t kInfoStatusByte = 6;
constexpr std::size_t kInfoEffectByte = 7;

constexpr std::uint8_t kEffectWhileOff = 0xFF;
constexpr std::array<std::uint8_t, 8> kTimings{10, 0, 10, 0, 60, 0, 10, 0};

} // namespace

std::array<std::uint8_t, kBacklightConfigParamCount> backlightConfigParams(const BacklightWords& setting) {
    std::array<std::uint8_t, kBacklightConfigParamCount> p{};
    const bool on = setting.backLight & 1;
    p[0] = on ? 1 : 0;
    p[1] = static_cast<std::uint8_t>(setting.backLight >> 8 & 0xFF);
    p[2] = on ? static_cast<std::uint8_t>(setting.backLightOptions >> 24 & 0xFF) : kEffectWhileOff;
    p[3] = static_cast<std::uint8_t>(setting.backLightOptions >> 8 & 0xFF);
    for (std::size_t n = 0; n < kTimings.size(); ++n) p[4 + n] = kTimings[n];
    return p;
}

BacklightPair applyBacklightConfig(BacklightPair w, ReportBytes report) {
    const std::uint64_t on = wideByteAt(report, kConfigOnByte);
    const std::uint64_t middle = wideByteAt(report, kConfigByte5) << 8 | wideByteAt(report, kConfigByte7) << 16;
    w.shown.backLight = on | middle;
    w.setting.backLight = (w.setting.backLight & kByte0) | middle;
    if (on != 0) {
        w.shown.backLightOptions =
            (w.shown.backLightOptions & kAllButByte1) | wideByteAt(report, kConfigLevelByte) << 8;
        w.setting.backLightOptions = w.shown.backLightOptions;
    }
    return w;
}

bool backlightSwitchDiffers(const BacklightWords& setting, ReportBytes report) {
    return (setting.backLight & kByte0) != wideByteAt(report, kConfigOnByte);
}

BacklightPair applyBacklightInfo(BacklightPair w, ReportBytes report) {
    auto& options = w.shown.backLightOptions;
    options = wideByteAt(report, kInfoLevelsByte) | (options & kByte1) | wideByteAt(report, kInfoStatusByte) << 16 |
              wideByteAt(report, kInfoEffectByte) << 24;
    if ((w.shown.backLight & kByte0) != 0) options = (options & kAllButByte1) | wideByteAt(report, kInfoLevelByte) << 8;
    w.setting.backLightOptions = options;
    return w;
}

} // namespace corv::logitech
