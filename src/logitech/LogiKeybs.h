#pragma once

#include "logitech/FeatureID.h"
#include "model/DeviceName.h"
#include "model/Observable.h"
#include "platform/HidDevices.h"

#include <array>
#include <cstdint>
#include <optional>
#include <set>

namespace corv::logitech {

inline constexpr std::size_t kKeyboardCount = 4;

constexpr bool isKeyboardIndex(int k) { return k >= 0 && static_cast<std::size_t>(k) < kKeyboardCount; }

// HID++ device index of a keyboard reached directly.
inline constexpr std::uint8_t kDirectIndex = 0xFF;

// One keyboard's handle and protocol state.
struct LogiKeybNoUI {
    bool valid = false;
    // Its own HID++ interface, or the receiver's for a keyboard in a slot.
    platform::HidDeviceRef dev;
    std::uint8_t usbIndex = kDirectIndex;  // receiver slot 1 to 6, or 0xFF
    FeatureID featInQuest = FeatureID::ID_4531;
    bool canChangePlatform = false;
    std::uint8_t platformCount = 0;
    std::uint8_t currChannel = 0;
    std::uint8_t currPlatform = 0;
    std::set<std::uint16_t> keyState;  // diverted controls held down
};

// What the settings panel shows of one keyboard.
struct LogiKeybUI {
    bool valid = false;
    int optIndex = -1;  // into LogiKeysOpt.k
    int battery = -1;   // percent in bits 0-7, charging status in bits 8-15
    std::uint64_t backLightOptions = 0;
    std::uint64_t backLight = 0;
    bool fnInversion = false;
    DeviceName name;
};

using LogiKeybNoUIList = std::array<LogiKeybNoUI, kKeyboardCount>;
using LogiKeybUIList = std::array<LogiKeybUI, kKeyboardCount>;

// Entry i of both lists describes the same keyboard.
class LogiKeybsNoUI : public ObservableObject {
public:
    static LogiKeybsNoUI& shared();
    Published<LogiKeybNoUIList> k{willChange_};
};

class LogiKeybsUI : public ObservableObject {
public:
    static LogiKeybsUI& shared();
    Published<LogiKeybUIList> k{willChange_};
};

// The first valid keyboard reached through this device at this index.
std::optional<std::size_t> findKeyboardIndex(const LogiKeybNoUIList& list, const platform::HidDeviceRef& device,
                                             std::uint8_t deviceIndex);
std::optional<std::size_t> findKeyboardIndex(const platform::HidDeviceRef& device, std::uint8_t deviceIndex);

// The first entry whose valid is false.
std::optional<std::size_t> firstFreeKeyboard();

// Releases the keys the keyboard holds, then resets its entries in both lists.
void releaseAndResetKeyboard(std::size_t index);

} // namespace corv::logitech
