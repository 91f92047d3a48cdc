#pragma once

// Keyboards as HID devices on the simulated machine, and Logitech keyboards
// reached directly with their diverted-keys reports.

#include "EngineFixture.h"

#include "platform/sim/SimPlatform.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

namespace corv::test {

struct KeyboardDevice {
    std::string product;
    std::string maker;
    std::string transport;
    std::int64_t vendorId;
    std::int64_t productId;
    std::vector<platform::HidUsagePair> usages;
};

// A Logitech keyboard on USB with its HID++ interface (vendor page 0xFF00).
inline const KeyboardDevice kLogiUsbKeyboard{"G915 Keyboard", "Logitech", "USB", 0x46D, 0xC33E,
                                             {{1, 6}, {0xFF00, 1}}};
inline const KeyboardDevice kAppleUsbKeyboard{"Magic Keyboard", "Apple Inc.", "USB", 0x5AC, 0x0267, {{1, 6}}};

inline std::shared_ptr<sim::SimHidDevice> makeKeyboard(sim::SimPlatform& sim, const KeyboardDevice& kb,
                                                       bool primaryKeyboard = true) {
    std::map<std::string, platform::HidValue> p{{"Product", kb.product},
                                                {"Manufacturer", kb.maker},
                                                {"VendorID", kb.vendorId},
                                                {"ProductID", kb.productId},
                                                {"PrimaryUsagePage", std::int64_t{1}},
                                                {"PrimaryUsage", std::int64_t{primaryKeyboard ? 6 : 2}}};
    if (!kb.transport.empty()) p["Transport"] = kb.transport;
    return sim.hidDevices.makeDevice(std::move(p), kb.usages);
}

// The long HID++ event report of the diverted-keys feature at the feature
// index, holding the controls (at most four).
inline Bytes divertedKeysReport(std::uint8_t featureIndex, std::initializer_list<std::uint16_t> held) {
    Bytes r(20, 0);
    r[0] = 0x11;
    r[1] = 0xFF;
    r[2] = featureIndex;
    std::size_t at = 4;
    for (std::uint16_t id : held) {
        r[at] = static_cast<std::uint8_t>(id >> 8);
        r[at + 1] = static_cast<std::uint8_t>(id & 0xFF);
        at += 2;
    }
    return r;
}

} // namespace corv::test
