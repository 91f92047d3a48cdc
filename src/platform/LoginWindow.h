#pragma once

#include <cstdint>

namespace corv::platform {

using FourCharCode = std::uint32_t;

constexpr FourCharCode fourCharCode(const char (&s)[5]) {
    return (static_cast<FourCharCode>(static_cast<unsigned char>(s[0])) << 24) |
           (static_cast<FourCharCode>(static_cast<unsigned char>(s[1])) << 16) |
           (static_cast<FourCharCode>(static_cast<unsigned char>(s[2])) << 8) |
           static_cast<FourCharCode>(static_cast<unsigned char>(s[3]));
}

// Core Apple events to the login window (the system process).
class LoginWindow {
public:
    virtual ~LoginWindow() = default;
    // Sends the core event ('aevt' class) with the id, without waiting for a
    // reply; 0 on success, an error code otherwise.
    virtual int sendCoreEvent(FourCharCode eventId) = 0;
};

} // namespace corv::platform
