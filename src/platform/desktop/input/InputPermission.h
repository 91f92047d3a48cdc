#pragma once

// The permission to use input on this desktop: reading the keyboards' event
// nodes and writing the uinput node.

#include <string>
#include <vector>

namespace corv::desktop {

struct InputAccess {
    std::vector<std::string> unreadable;  // keyboard event nodes this process cannot read
    bool uinputWritable = false;
    bool uinputPresent = true;  // false: no such node, its module is not loaded
    std::string uinputNode;

    bool trusted() const { return unreadable.empty() && uinputWritable; }
    // What is missing, one line each: "read /dev/input/event3", "write
    // /dev/uinput: ..." with why it cannot be written.
    std::vector<std::string> missingItems() const;
};

// Checks with the real ids; the program is never setuid, so they are the ones
// opening uses.
InputAccess checkInputAccess(const std::vector<std::string>& keyboardNodes, const std::string& uinputNode);

} // namespace corv::desktop
