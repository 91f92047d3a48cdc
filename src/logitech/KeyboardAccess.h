#pragma once

// What every HID++ 2.0 request for a keyboard starts from: its stored options,
// its feature indexes, the sender its transport calls for, a fresh request.

#include "logitech/FeatureID.h"
#include "logitech/HidppExecutor.h"
#include "platform/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>

namespace corv::logitech {

// The keyboard's index into LogiKeysOpt.k; none when it is outside the list.
std::optional<std::size_t> keyboardOptions(int keyboard);

// The feature's index on the keyboard, as its stored feature map holds it.
std::optional<std::uint8_t> featureIndex(std::size_t options, FeatureID feature);

// The sender for keyboard i by its device's "Transport": the direct one for
// Bluetooth, for none, and for USB at device index 0xFF; the receiver's for
// USB behind a receiver; none for any other transport.
std::optional<HidppSender> chooseHidppSender(int keyboard);

// 0x11, 0xFF and 18 zero bytes.
Bytes newFeatureRequest();

// A feature request ready to send: device, sender and device index of a valid
// keyboard with options, and the feature's index on it.
struct FeatureTarget {
    platform::HidDeviceRef dev;
    HidppSender send = nullptr;
    std::uint8_t usbIndex = 0;
    std::size_t options = 0;
    std::uint8_t featureIndex = 0;
};
std::optional<FeatureTarget> featureTarget(int keyboard, FeatureID feature);

// Sends one request of the target's feature with a fresh software id; the
// parameters go from byte 4 on. The answer reaches the parser; done may be
// empty.
void sendFeatureRequest(const FeatureTarget& target, std::uint8_t function, std::initializer_list<std::uint8_t> params,
                        HidppDone done = {});

} // namespace corv::logitech
