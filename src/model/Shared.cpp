#include "model/Shared.h"

#include <mutex>
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

// Called with sharedMutex held, from a slot's first use.
void registerSharedReset(void (*reset)()) { resets().push_back(reset); }

} // namespace detail

void resetShared() {
    // By index and under the lock: an instance released here may make the
    // first instance of another type, which registers its reset meanwhile.
    for (std::size_t i = 0;; ++i) {
        void (*reset)() = nullptr;
        {
            std::lock_guard<std::recursive_mutex> lock(detail::sharedMutex());
            if (i >= detail::resets().size()) break;
            reset = detail::resets()[i];
        }
        reset();
    }
}

} // namespace corv
