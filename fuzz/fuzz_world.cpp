// The whole Logitech world on the simulated machine: a Unifying receiver with
// two keyboards in its slots and a Bluetooth keyboard, brought up by the
// program's own managers and initialisation queue, then driven by a script of
// reports, requests, refusals, plugging, sleep and clock jumps. Aborts when a
// queue or a stored list grows past its bound or a receiver's counts drift.

#include "engine/KeyboardHidManager.h"
#include "logitech/BacklightRequests.h"
#include "logitech/BluetoothManager.h"
#include "logitech/ControlDiversion.h"
#include "logitech/DeviceDiscovery.h"
#include "logitech/Dongles.h"
#include "logitech/FnInversion.h"
#include "logitech/HidppExecutor.h"
#include "logitech/InitQueue.h"
#include "logitech/LogiKeybs.h"
#include "logitech/ReceiverRegisters.h"
#include "logitech/ReportText.h"
#include "model/LogiKeysOpt.h"
#include "model/Shared.h"
#include "platform/sim/SimKeyboard.h"
#include "platform/sim/SimPlatform.h"
#include "platform/sim/SimReceiver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>

namespace {

using namespace corv;
using namespace corv::logitech;

// The script's bytes, read front to back; zeros once they run out.
class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return at_ >= size_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    Bytes bytes(std::size_t n) {
        Bytes b;
        for (std::size_t i = 0; i < n; ++i) b.push_back(byte());
        return b;
    }
    std::string name() {
        std::string s;
        for (std::uint8_t n = byte() % 12; n > 0; --n) s.push_back(static_cast<char>(byte()));
        return s;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_world: %s\n", what);
    std::abort();
}

struct World {
    std::unique_ptr<sim::SimPlatform> platform = std::make_unique<sim::SimPlatform>();
    sim::SimReceiver receiver{platform->hidDevices, sim::SimReceiverKind::Unifying};
    sim::SimKeyboard slotKeyb[2];
    sim::SimKeyboard btKeyb;
    std::shared_ptr<sim::SimHidDevice> btDev;
    bool receiverIn = false, btIn = false;

    World() {
        receiver.flags = 0x09;
        const char* names[2] = {"K780", "MX Keys"};
        for (int n = 0; n < 2; ++n) {
            auto& k = slotKeyb[n];
            k.addFeatures({{sim::SimKeyboard::kBatteryLevel, 2},
                           {sim::SimKeyboard::kPlatforms, 3},
                           {sim::SimKeyboard::kFnInversion, 4},
                           {sim::SimKeyboard::kBacklight, 5},
                           {sim::SimKeyboard::kControls, 6}});
            k.controls = {{0x00E3, 0x30, 0}, {0x00E4, 0x30, 0}, {0x00C7, 0x20, 0}};
            k.platforms = {{0, 0x01}, {1, 0x20}};
            k.pairWith(receiver, static_cast<std::uint8_t>(n + 1));
            receiver.slots[static_cast<std::size_t>(n)] = sim::SimPairedDevice{1, names[n], true};
        }
        btKeyb.addFeatures({{sim::SimKeyboard::kUnifiedBattery, 2},
                            {sim::SimKeyboard::kFnInversionMultiHost, 3},
                            {sim::SimKeyboard::kBacklight, 4},
                            {sim::SimKeyboard::kControls, 5}});
        btKeyb.controls = {{0x00E3, 0x30, 0}};
        btDev = btKeyb.makeDirectDevice(platform->hidDevices, "Bluetooth", "K380");
        startLogiDeviceMonitor();
        engine::startKeyboardHidManager();
        plugReceiver(true);
        plugBt(true);
        advance(20.0);
    }
    ~World() {
        stopLogiDeviceMonitor();
        engine::stopKeyboardHidManager();
        resetShared();
    }

    void advance(double seconds) { platform->runLoop.advance(seconds); }
    void plugReceiver(bool in) {
        if (in == receiverIn) return;
        receiverIn = in;
        in ? receiver.plugIn() : receiver.unplug();
    }
    void plugBt(bool in) {
        if (in == btIn) return;
        btIn = in;
        in ? platform->hidDevices.attach(btDev) : platform->hidDevices.detach(btDev);
    }
    sim::SimKeyboard& keyboard(std::uint8_t b) { return b % 3 == 2 ? btKeyb : slotKeyb[b % 3]; }

    // A report shaped like an answer to the device's last request, a byte or
    // two changed.
    Bytes echo(const std::shared_ptr<sim::SimHidDevice>& dev, Script& s) {
        Bytes r = dev->written.empty() ? Bytes(20, 0) : dev->written.back();
        r.resize(r.empty() || r[0] == 0x11 ? 20 : 7, 0);
        for (std::uint8_t n = s.byte() % 3; n > 0; --n) {
            const std::uint8_t at = s.byte();
            r[1 + at % (r.size() - 1)] = s.byte();
        }
        return r;
    }

    void step(Script& s) {
        const std::uint8_t op = s.byte();
        const std::uint8_t a = s.byte();
        switch (op % 12) {
        case 0: {  // a short report from the receiver, device index 1 to 6 or 0xFF mostly
            Bytes r{0x10, static_cast<std::uint8_t>(a % 8 == 7 ? 0xFF : a % 8)};
            for (auto b : s.bytes(5)) r.push_back(b);
            receiver.send(r);
            break;
        }
        case 1: {  // a long report from the receiver
            Bytes r{0x11, static_cast<std::uint8_t>(a % 8 == 7 ? 0xFF : a % 8)};
            for (auto b : s.bytes(18)) r.push_back(b);
            receiver.send(r);
            break;
        }
        case 2: {  // a long report from a keyboard, event or answer
            auto& k = keyboard(a);
            Bytes r{0x11, k.deviceIndex};
            for (auto b : s.bytes(18)) r.push_back(b);
            k.emit(r);
            break;
        }
        case 3:  // near-answers to the last requests
            if (a & 1) receiver.send(echo(receiver.device, s));
            else btKeyb.emit(echo(btDev, s));
            break;
        case 4: {  // the receiver's own notices
            const int slot = s.byte() % 6;
            switch (a % 9) {
            case 0: receiver.announce(slot); break;
            case 1: receiver.unpair(slot); break;
            case 2: {
                const std::uint8_t kind = s.byte() % 3;
                receiver.slots[static_cast<std::size_t>(slot)] = {kind, s.name(), (s.byte() & 1) != 0};
                receiver.announce(slot);
                break;
            }
            case 3: receiver.slots[static_cast<std::size_t>(slot)].connected ^= true; receiver.announce(slot); break;
            case 4: receiver.pairingLock((s.byte() & 1) != 0); break;
            case 5: receiver.pairingInfo(s.byte() % 3); break;
            case 6: receiver.passkey(s.name()); break;
            case 7: receiver.passkeyKey(s.byte() % 6); break;
            default: receiver.pairingEnded(); break;
            }
            break;
        }
        case 5: {  // what the panel and the program ask for
            const int k = s.byte() % 4;
            switch (a % 7) {
            case 0: hidppSetBacklightConfig(k); break;
            case 1: hidppReadBacklight(k); break;
            case 2: hidppSetFnInversion(k); break;
            case 3: hidppSetFnInversionMultiHost(k); break;
            case 4: updateControlDiversion(); break;
            case 5: readPairedDeviceName(k, s.byte() % 6); break;
            default: initQueueEnqueue(k, (s.byte() & 1) != 0); break;
            }
            break;
        }
        case 6: {  // the receiver drops, delays or refuses requests
            Bytes match = s.bytes(s.byte() % 3);
            const int times = s.byte() % 4 == 0 ? -1 : s.byte() % 8;
            switch (a % 3) {
            case 0: receiver.drop(match, times); break;
            case 1: receiver.delay(match, (s.byte() % 40) * 0.1, times); break;
            default: receiver.fail(match, s.byte(), times); break;
            }
            break;
        }
        case 7: {  // a keyboard refuses a feature's function, or writes fail
            static constexpr std::uint16_t kFeatures[] = {
                sim::SimKeyboard::kRoot,      sim::SimKeyboard::kBatteryLevel,  sim::SimKeyboard::kUnifiedBattery,
                sim::SimKeyboard::kBacklight, sim::SimKeyboard::kControls,      sim::SimKeyboard::kFnInversion,
                sim::SimKeyboard::kPlatforms, sim::SimKeyboard::kFnInversionMultiHost};
            const std::uint8_t b = s.byte();
            if (b % 9 == 8) {
                btDev->refuseWrites = !btDev->refuseWrites;
                receiver.device->refuseWrites = (a & 1) != 0;
                break;
            }
            keyboard(a).refuse(kFeatures[b % 8], s.byte() % 4,
                               static_cast<sim::SimKeyboard::Refusal>(s.byte() % 4));
            break;
        }
        case 8:  // plugging
            if (a & 1) plugReceiver(!receiverIn);
            else plugBt(!btIn);
            break;
        case 9:  // clock jumps, short and long
            advance(a & 0x80 ? (a & 0x7F) * 1.0 : a * 0.02);
            break;
        case 10:  // sleep, then wake
            stopLogiDeviceMonitor();
            engine::stopKeyboardHidManager();
            if (a & 1) advance(s.byte() * 0.1);
            resetLogiDevices();
            startLogiDeviceMonitor();
            engine::startKeyboardHidManager();
            break;
        default: {  // a flood: the same notice or report many times
            const int times = 1 + s.byte() * 8;
            const Bytes r = (a & 1) ? Bytes{0x10, static_cast<std::uint8_t>(1 + s.byte() % 6), 0x41, 0x04,
                                            static_cast<std::uint8_t>(s.byte() & 0x41), 0x34, 0x12}
                                    : echo(receiver.device, s);
            for (int n = 0; n < times; ++n) receiver.send(r);
            break;
        }
        }
        advance(0.0);
        check();
    }

    void check() const {
        for (const sim::SimHidDevice* d : {receiver.device.get(), btDev.get()})
            if (HidppExecutor::shared().pending(d) > kHidppQueueLimit) fail("a device queue passed its bound");
        if (pendingNameReads(receiver.device.get()) > kPairSlots) fail("more than one name read per slot");
        for (const Dongle& d : Dongles::shared().d()) {
            const auto paired = std::count(d.paired.begin(), d.paired.end(), true);
            if (d.pairedCount != paired) fail("pairedCount differs from the paired slots");
            const auto length = d.passkeyStr ? static_cast<int>(characterCount(*d.passkeyStr)) : 0;
            if (d.passkeyPos < 0 || d.passkeyPos > length) fail("passkeyPos outside the passkey");
            if (!d.passkeyStr && d.passkeyPos != 0) fail("passkeyPos without a passkey");
        }
        const auto& opts = LogiKeysOpt::shared().k();
        std::set<std::pair<std::string, std::string>> names;
        for (const auto& o : opts) {
            if (!names.insert({o.name.product, o.name.vendor}).second) fail("two stored options for one keyboard");
            if (o.id1b04List.size() > 255) fail("control list past any device's count");
            if (o.platformList.size() > 255) fail("platform list past any device's count");
            if (o.featureMap.size() > 18) fail("feature map past the known features");
        }
        for (const auto& k : LogiKeybsUI::shared().k())
            if (k.optIndex < -1 || k.optIndex >= static_cast<int>(opts.size())) fail("a keyboard linked past its options");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) return 0;  // long scripts only repeat what short ones reach
    resetShared();
    World world;
    world.check();
    Script script(data, size);
    while (!script.done()) world.step(script);
    world.advance(10.0);
    world.check();
    return 0;
}
