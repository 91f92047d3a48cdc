#pragma once

// A simulated machine with Logitech keyboards: one in device index 2 of a Bolt
// receiver and one reached directly over Bluetooth, recorded in the keyboard
// lists and linked to stored options.

#include "logitech/FeatureDiscovery.h"
#include "logitech/FeatureReport.h"
#include "logitech/HidppExecutor.h"
#include "logitech/HidppParser.h"
#include "logitech/LogiKeybs.h"
#include "logitech/SoftwareId.h"
#include "model/LogiKeysOpt.h"
#include "platform/sim/SimKeyboard.h"
#include "support/SimFixture.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>

namespace corv::logitech::test {

using sim::SimKeyboard;

inline constexpr int kSlotKeyboard = 0;  // entry of the keyboard behind the receiver
inline constexpr int kBtKeyboard = 1;    // entry of the Bluetooth keyboard
inline constexpr std::uint8_t kSlotIndex = 2;

// A 20-byte long request or report: header, then parameters from byte 4.
inline Bytes longReport(std::uint8_t deviceIndex, std::uint8_t featureIndex, std::uint8_t byte3,
                        std::initializer_list<std::uint8_t> params = {}) {
    Bytes b(20, 0);
    b[0] = 0x11;
    b[1] = deviceIndex;
    b[2] = featureIndex;
    b[3] = byte3;
    std::size_t at = 4;
    for (auto p : params) b[at++] = p;
    return b;
}

class KeyboardWorld : public corv::test::SimTest {
protected:
    KeyboardWorld() {
        slotKeyb.pairWith(bolt, kSlotIndex);
        btDev = btKeyb.makeDirectDevice(sim->hidDevices, "Bluetooth", "K380");
        listen(bolt.device, HidppChannel::Receiver);
        listen(btDev, HidppChannel::Direct);
    }

    // Records a keyboard in entry k, as a connection notice or the keyboard
    // HID manager does, with stored options of its own.
    void record(int k, const platform::HidDeviceRef& dev, std::uint8_t usbIndex, const std::string& product) {
        const auto i = static_cast<std::size_t>(k);
        LogiKeybsNoUI::shared().k.modify([&](LogiKeybNoUIList& l) {
            l[i].valid = true;
            l[i].dev = dev;
            l[i].usbIndex = usbIndex;
        });
        LogiKeyOpt opt;
        opt.name = {product, "Logitech"};
        LogiKeysOpt::shared().k.modify([&](std::vector<LogiKeyOpt>& l) { l.push_back(opt); });
        LogiKeybsUI::shared().k.modify([&](LogiKeybUIList& l) {
            l[i].valid = true;
            l[i].name = opt.name;
            l[i].optIndex = static_cast<int>(LogiKeysOpt::shared().k().size()) - 1;
        });
    }
    void recordBoth() {
        record(kSlotKeyboard, bolt.device, kSlotIndex, "MX Keys");
        record(kBtKeyboard, btDev, 0xFF, "K380");
    }

    // Runs discovery of keyboard k to its end on the virtual clock.
    int discover(int k) {
        std::optional<int> result;
        discoverHidppFeatures(k, [&](int r) { result = r; });
        for (int n = 0; n < 1000 && !result; ++n) sim->runLoop.advance(0.01);
        return result.value_or(-100);
    }

    void settle(double seconds = 10.0) { sim->runLoop.advance(seconds); }

    const LogiKeyOpt& opt(int k) { return LogiKeysOpt::shared().k()[static_cast<std::size_t>(ui(k).optIndex)]; }
    void editOpt(int k, const std::function<void(LogiKeyOpt&)>& edit) {
        LogiKeysOpt::shared().k.modify(
            [&](std::vector<LogiKeyOpt>& l) { edit(l[static_cast<std::size_t>(ui(k).optIndex)]); });
    }
    const LogiKeybUI& ui(int k) { return LogiKeybsUI::shared().k()[static_cast<std::size_t>(k)]; }
    const LogiKeybNoUI& noUi(int k) { return LogiKeybsNoUI::shared().k()[static_cast<std::size_t>(k)]; }

    // The requests a keyboard took whose bytes 2 and the function in byte 3 match.
    static std::size_t countRequests(const SimKeyboard& kb, std::uint8_t featureIndex, std::uint8_t function) {
        std::size_t n = 0;
        for (const auto& r : kb.received)
            if (r[2] == featureIndex && (r[3] >> 4) == function) ++n;
        return n;
    }

    sim::SimReceiver bolt{sim->hidDevices, sim::SimReceiverKind::Bolt};
    SimKeyboard slotKeyb;
    SimKeyboard btKeyb;
    std::shared_ptr<sim::SimHidDevice> btDev;

    // Opens a device with the parser of its kind, as discovery or the
    // keyboard HID manager does.
    static void listen(const std::shared_ptr<sim::SimHidDevice>& dev, HidppChannel channel) {
        dev->setInputReportHandler(channel == HidppChannel::Direct ? &hidppReportKeyboardCallback
                                                                   : &hidppReportCallback);
        dev->open();
    }
};

} // namespace corv::logitech::test
