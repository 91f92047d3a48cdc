#pragma once

// A second view of the keyboards, through a HID manager on the main run loop:
// the keys held while the keyboard tab shows, the physical-key capture of the
// substitution editor, and the Logitech keyboards reached directly. Main thread.

#include "model/DeviceName.h"
#include "platform/HidDevices.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace corv::engine {

struct KeyboardHidManagerState {
    // Null while stopped.
    std::unique_ptr<platform::HidManager> keyboardHidManager;

    static KeyboardHidManagerState& shared();
};

// USB product ids of Logitech keyboards; 0xB300 to 0xB3FF count as well.
const std::vector<std::uint16_t>& logiKeyboardProductIds();
// A listed keyboard that is not one of the receivers' product ids.
bool isLogiKeyboardProduct(std::uint16_t productId);

void startKeyboardHidManager();
void stopKeyboardHidManager();

void onKeyboardDeviceMatched(const platform::HidDeviceRef& device);
void onKeyboardDeviceRemoved(const platform::HidDeviceRef& device);
void onKeyboardValue(const platform::HidDeviceRef& device, const platform::HidInputValue& value);

// The keyboard tab's physical-key highlight: the code of the pair cell that
// waits for a key (none: no cell waits), the keyboard model being edited, and
// whether the source cell of that pair waits.
struct PhysicalKeyWait {
    std::optional<std::uint64_t> usage;
    DeviceName name;
    std::int64_t reportDescSum = 0;
    bool src = false;
};

// Where the highlight lives: the recorders own it and install both. While
// unset no key is captured.
struct PhysicalKeyHighlight {
    std::function<PhysicalKeyWait()> read;
    std::function<void(std::optional<std::uint64_t> usage, bool src)> move;

    static PhysicalKeyHighlight& shared();
};

// A key pressed on the keyboard while a pair cell waits: written into the
// waiting cell of that keyboard model's pairs, whose mapping is applied.
void capturePhysicalKey(std::uint64_t code, const DeviceName& keyboard);

} // namespace corv::engine
