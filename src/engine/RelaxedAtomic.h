#pragma once

// A word shared between threads without ordering: each load and store is
// whole, nothing more is promised.

#include <atomic>

namespace corv::engine {

template <class T>
class RelaxedAtomic {
public:
    constexpr RelaxedAtomic(T initial = T{}) : value_(initial) {}
    RelaxedAtomic(const RelaxedAtomic&) = delete;
    RelaxedAtomic& operator=(const RelaxedAtomic&) = delete;

    T get() const { return value_.load(std::memory_order_relaxed); }
    void set(T v) { value_.store(v, std::memory_order_relaxed); }
    operator T() const { return get(); }
    RelaxedAtomic& operator=(T v) {
        set(v);
        return *this;
    }

private:
    std::atomic<T> value_;
};

} // namespace corv::engine
