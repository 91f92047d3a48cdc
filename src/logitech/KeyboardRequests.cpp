#include "logitech/KeyboardRequests.h"

#include "model/Shared.h"

namespace corv::logitech {

KeyboardRequestStates& KeyboardRequestStates::shared() { return Shared<KeyboardRequestStates>::instance(); }

KeyboardRequests* KeyboardRequestStates::at(int keyboard) {
    if (keyboard < 0 || static_cast<std::size_t>(keyboard) >= k.size()) return nullptr;
    return &k[static_cast<std::size_t>(keyboard)];
}

bool KeyboardRequestStates::takeCorrection(int& budget) {
    if (budget <= 0) return false;
    --budget;
    return true;
}

} // namespace corv::logitech
