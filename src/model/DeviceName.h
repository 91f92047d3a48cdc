#pragma once

// The identity of a HID device: its product and maker strings.

#include "platform/PropertyList.h"

#include <cstddef>
#include <functional>
#include <string>

namespace corv {

struct DeviceName {
    std::string product;  // registry property "Product"
    std::string vendor;   // registry property "Manufacturer"

    void encode(plist::KeyedEncoder& e) const;
    static DeviceName decode(const plist::KeyedDecoder& d);
};

// Field by field, product first. Strings compare as bytes.
bool operator==(const DeviceName& a, const DeviceName& b);

// Orders by the text vendor + product, with nothing between. Two unequal names
// whose texts coincide (vendor "A" product "BC", vendor "AB" product "C") are
// neither less nor greater than each other.
bool operator<(const DeviceName& a, const DeviceName& b);
inline bool operator>(const DeviceName& a, const DeviceName& b) { return b < a; }
inline bool operator<=(const DeviceName& a, const DeviceName& b) { return !(b < a); }
inline bool operator>=(const DeviceName& a, const DeviceName& b) { return !(a < b); }

} // namespace corv

template <>
struct std::hash<corv::DeviceName> {
    std::size_t operator()(const corv::DeviceName& n) const noexcept;
};
