#pragma once

// Run at login: whether a program path is an item of the session's login items.

#include <string>

namespace corv {

class LoginServiceKit {
public:
    LoginServiceKit() = delete;

    // True when some item resolves to the path; false when the list is unavailable.
    static bool isExistLoginItems(const std::string& path);
    // True when a new item was appended; false when one exists or the list cannot be changed.
    static bool addLoginItems(const std::string& path);
    // True when every item for the path was removed; false when none matches or a removal fails.
    static bool removeLoginItems(const std::string& path);
};

} // namespace corv
