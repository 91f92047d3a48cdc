#pragma once

#include <string>

namespace corv::platform {

// The user session's login items, each a program path.
class LoginItems {
public:
    virtual ~LoginItems() = default;
    // Whether some item resolves to the path; false when the list is unavailable.
    virtual bool contains(const std::string& path) = 0;
    // Appends an item for the path; false when one exists or the list cannot be changed.
    virtual bool add(const std::string& path) = 0;
    // Removes every item for the path; false when none matches or a removal fails.
    virtual bool remove(const std::string& path) = 0;
};

} // namespace corv::platform
