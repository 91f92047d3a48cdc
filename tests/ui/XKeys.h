#pragma once

// The user's keyboard on the test's X server: XTest presses the keys, so the
// server sends them to the window that has its input focus.

#include <initializer_list>
#include <string>

namespace corv::test {

class XKeys {
public:
    XKeys();
    ~XKeys();
    XKeys(const XKeys&) = delete;
    XKeys& operator=(const XKeys&) = delete;
    bool ok() const { return display_ != nullptr; }

    // Presses and lets go the key of `keysym`, with `held` (keysyms of
    // modifiers) held round it.
    void tap(unsigned long keysym, std::initializer_list<unsigned long> held = {});
    // Types lower-case letters and digits.
    void type(const std::string& text);

private:
    void key(unsigned long keysym, bool down);
    void* display_;
};

} // namespace corv::test
