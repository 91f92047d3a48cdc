#pragma once

#include <cstdint>
#include <optional>

namespace corv::logitech {

// The HID++ 2.0 features the program knows; the raw value is the position.
enum class FeatureID : int {
    ID_1B04 = 0,
    ID_2110,
    ID_2150,
    ID_1000,
    ID_2201,
    ID_2121,
    ID_4531,
    ID_8110,
    ID_8100,
    ID_2111,
    ID_1004,
    ID_40A2,
    ID_40A3,
    ID_1982,
    ID_1001,
    ID_8060,
    ID_2202,
    ID_8061,
};

inline constexpr int kFeatureIdCount = 18;

// The case for 0 to 17, nothing otherwise.
std::optional<FeatureID> featureIdFromRaw(int raw);

// The feature's HID++ 2.0 id (ID_1B04 -> 0x1B04).
std::uint16_t hidppFeatureNumber(FeatureID f);

} // namespace corv::logitech
