#pragma once

#include "logitech/DeviceDiscovery.h"
#include "logitech/Dongles.h"
#include "logitech/LogiHooks.h"
#include "logitech/LogiKeybs.h"
#include "platform/sim/SimReceiver.h"
#include "support/SimFixture.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace corv::test {

// Reports as hex text, so that a failing comparison shows the bytes.
inline std::string hex(const Bytes& b) {
    std::string s;
    char buf[4];
    for (std::size_t i = 0; i < b.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", b[i]);
        s += buf;
    }
    return s;
}

inline std::vector<std::string> hexAll(const std::vector<Bytes>& list) {
    std::vector<std::string> out;
    for (const auto& b : list) out.push_back(hex(b));
    return out;
}

inline Bytes longReport(std::initializer_list<std::uint8_t> head) {
    Bytes r(head);
    r.resize(20, 0);
    return r;
}

class LogiTest : public SimTest {
protected:
    LogiTest() {
        // Record the engine's key releases in order.
        logitech::LogiHooks::shared().releaseHeldLogiKeys = [this](int k) {
            released.push_back(k);
            logitech::LogiKeybsNoUI::shared().k.modify(
                [k](logitech::LogiKeybNoUIList& l) { l[static_cast<std::size_t>(k)].keyState.clear(); });
        };
        logitech::LogiHooks::shared().startKeyboardHidManager = [this] { ++keyboardManagerStarts; };
    }

    void advance(double seconds) { sim->runLoop.advance(seconds); }
    double now() const { return sim->runLoop.now(); }

    // A receiver plugged in while the Logitech HID manager runs.
    std::unique_ptr<sim::SimReceiver> makeReceiver(sim::SimReceiverKind kind, std::uint16_t productId = 0) {
        return std::make_unique<sim::SimReceiver>(sim->hidDevices, kind, productId);
    }
    void pair(sim::SimReceiver& r, int slot, std::uint8_t kind, const std::string& name) {
        r.slots[static_cast<std::size_t>(slot)] = sim::SimPairedDevice{kind, name, true};
    }

    const logitech::Dongle& dongle(std::size_t j) { return logitech::Dongles::shared().d()[j]; }
    const logitech::LogiKeybNoUI& keybNoUI(std::size_t k) { return logitech::LogiKeybsNoUI::shared().k()[k]; }
    const logitech::LogiKeybUI& keybUI(std::size_t k) { return logitech::LogiKeybsUI::shared().k()[k]; }
    int validKeyboards() {
        int n = 0;
        for (const auto& e : logitech::LogiKeybsNoUI::shared().k()) n += e.valid ? 1 : 0;
        return n;
    }

    std::vector<int> released;
    int keyboardManagerStarts = 0;
};

} // namespace corv::test
