#include "logitech/FeatureID.h"

#include <array>

namespace corv::logitech {

namespace {

constexpr std::array<std::uint16_t, kFeatureIdCount> kNumbers{0x1B04, 0x2110, 0x2150, 0x1000, 0x2201, 0x2121,
                                                              0x4531, 0x8110, 0x8100, 0x2111, 0x1004, 0x40A2,
                                                              0x40A3, 0x1982, 0x1001, 0x8060, 0x2202, 0x8061};

} // namespace

std::optional<FeatureID> featureIdFromRaw(int raw) {
    if (raw < 0 || raw >= kFeatureIdCount) return std::nullopt;
    return static_cast<FeatureID>(raw);
}

std::uint16_t hidppFeatureNumber(FeatureID f) { return kNumbers[static_cast<std::size_t>(f)]; }

} // namespace corv::logitech
