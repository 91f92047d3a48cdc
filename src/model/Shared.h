#pragma once

// Process-wide shared instances. Each type has one slot, filled on first use;
// the settings store may replace an instance whole. resetShared() empties every
// slot, for tests.

#include <atomic>
#include <memory>
#include <mutex>

namespace corv {

namespace detail {
void registerSharedReset(void (*reset)());
std::recursive_mutex& sharedMutex();
} // namespace detail

// Empties every shared slot; the next use creates a fresh instance.
void resetShared();

template <class T>
class Shared {
public:
    static T& instance() {
        if (T* p = cache().load(std::memory_order_acquire)) return *p;
        std::lock_guard<std::recursive_mutex> lock(detail::sharedMutex());
        auto& s = slot();
        if (!s) {
            s = std::make_shared<T>();
            cache().store(s.get(), std::memory_order_release);
        }
        return *s;
    }

    // Makes the slot hold the given object, creating the default first if the
    // slot was empty; the previous instance is released.
    static void replace(std::shared_ptr<T> next) {
        instance();
        std::shared_ptr<T> old;
        {
            std::lock_guard<std::recursive_mutex> lock(detail::sharedMutex());
            old = std::move(slot());
            slot() = std::move(next);
            cache().store(slot().get(), std::memory_order_release);
        }
    }

    static std::shared_ptr<T> pointer() {
        instance();
        std::lock_guard<std::recursive_mutex> lock(detail::sharedMutex());
        return slot();
    }

    static void reset() {
        std::shared_ptr<T> old;
        {
            std::lock_guard<std::recursive_mutex> lock(detail::sharedMutex());
            old = std::move(slot());
            slot().reset();
            cache().store(nullptr, std::memory_order_release);
        }
    }

private:
    static std::shared_ptr<T>& slot() {
        static std::shared_ptr<T> s;
        static const bool registered = (detail::registerSharedReset(&Shared<T>::reset), true);
        (void)registered;
        return s;
    }
    static std::atomic<T*>& cache() {
        static std::atomic<T*> c{nullptr};
        return c;
    }
};

} // namespace corv
