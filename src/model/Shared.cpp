#include "model/Shared.h"

#include <vector>

namespace corv {

namespace detail {

namespace {
std::vector<void (*)()>& resets() {
    static std::vector<void (*)()> r;
    return r;
}
} // namespace

std::recursive_mutex& sharedMutex() {
    static std::recursive_mutex m;
    return m;
}

void registerSharedReset(void (*reset)()) {
    // Called with sharedMutex held (from a slot's first use inside instance()),
    // or without it; resets() is only touched from the main thread in practice.
    resets().push_back(reset);
}

} // namespace detail

void resetShared() {
    for (auto reset : detail::resets()) reset();
}

} // namespace corv
