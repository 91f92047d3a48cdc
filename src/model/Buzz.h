#pragma once

#include "platform/PropertyList.h"

#include <cstdint>

namespace corv {

// The parameters of one actuation of the trackpad's haptic actuator.
struct Buzz {
    std::int64_t type = 5;
    std::uint32_t flags = 4;
    float intensity = 1.0f;
    float arg4 = 2.0f;

    bool operator==(const Buzz&) const = default;

    void encode(plist::KeyedEncoder& e) const;
    static Buzz decode(const plist::KeyedDecoder& d);
};

} // namespace corv
