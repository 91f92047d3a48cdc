#pragma once

namespace corv::platform {

class ScreenLock {
public:
    virtual ~ScreenLock() = default;
    // Locks the screen at once; false when the system's lock call is missing.
    virtual bool lockNow() = 0;
};

} // namespace corv::platform
