#pragma once

// Registry entries for the input devices and the udev parents they hang
// from: a sender registry id names the input device an event came from, and
// walking up from it reaches its HID device (or, without one, the input
// device itself stands for it) with its names and ids.

#include "platform/IoRegistry.h"
#include "platform/desktop/input/InputNode.h"

#include <map>
#include <set>
#include <string>

namespace corv::desktop {

class InputRegistry {
public:
    // Enters the node and its parents; gives the entry of its input device.
    std::uint64_t add(const InputNode& node);

    // The node went: its entries go, but for those the nodes still present
    // hang from too.
    void remove(const InputNode& node, const std::vector<InputNode>& present);

    std::uint64_t entryOf(const std::string& syspath) const;
    bool contains(std::uint64_t entry) const { return entries_.count(entry) != 0; }
    std::vector<std::uint64_t> parents(std::uint64_t entry) const;
    bool isHidDevice(std::uint64_t entry) const;
    // The entry is the input device of a touchpad.
    bool isTouchpad(std::uint64_t entry) const { return touchpads_.count(entry) != 0; }
    std::optional<platform::RegistryValue> property(std::uint64_t entry, const std::string& key) const;

private:
    struct Entry {
        std::string syspath;
        std::uint64_t parent = 0;
        bool hid = false;
        std::map<std::string, platform::RegistryValue> properties;
    };
    std::uint64_t enter(const std::string& syspath);

    std::map<std::string, std::uint64_t> ids_;
    std::map<std::uint64_t, Entry> entries_;
    std::set<std::uint64_t> touchpads_;
    std::uint64_t next_ = 0x1000;
};

} // namespace corv::desktop
