#pragma once

// Observation: a signal with RAII subscriptions, and the published field of an
// observable object.

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace corv {

// Unsubscribes when destroyed or reset.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : cancel_(std::move(cancel)) {}
    ~Subscription() { reset(); }
    Subscription(Subscription&& o) noexcept : cancel_(std::move(o.cancel_)) { o.cancel_ = nullptr; }
    Subscription& operator=(Subscription&& o) noexcept {
        if (this != &o) {
            reset();
            cancel_ = std::move(o.cancel_);
            o.cancel_ = nullptr;
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    void reset() {
        if (cancel_) {
            auto c = std::move(cancel_);
            cancel_ = nullptr;
            c();
        }
    }

private:
    std::function<void()> cancel_;
};

// A list of callbacks. Subscribing or unsubscribing during an emission is safe:
// a callback removed during it is not called afterwards.
template <class... Args>
class Signal {
public:
    using Callback = std::function<void(const Args&...)>;

    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    [[nodiscard]] Subscription subscribe(Callback fn) {
        auto slot = std::make_shared<Slot>(Slot{std::move(fn), true});
        slots_->push_back(slot);
        std::weak_ptr<Slots> weakList = slots_;
        std::weak_ptr<Slot> weakSlot = slot;
        return Subscription([weakList, weakSlot] {
            auto list = weakList.lock();
            auto s = weakSlot.lock();
            if (!list || !s) return;
            s->alive = false;
            list->erase(std::remove(list->begin(), list->end(), s), list->end());
        });
    }

    void emit(const Args&... args) const {
        auto copy = *slots_;
        for (const auto& s : copy)
            if (s->alive) s->fn(args...);
    }

    std::size_t subscriberCount() const { return slots_->size(); }

private:
    struct Slot {
        Callback fn;
        bool alive;
    };
    using Slots = std::vector<std::shared_ptr<Slot>>;
    std::shared_ptr<Slots> slots_ = std::make_shared<Slots>();
};

// A stored field of an observable object. Every assignment first announces the
// coming change on the owner's signal, then stores the value, then tells the
// field's own subscribers and runs its observer.
template <class T>
class Published {
public:
    explicit Published(Signal<>& owner, T initial = T{}) : owner_(&owner), value_(std::move(initial)) {}
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    const T& get() const { return value_; }
    const T& operator()() const { return value_; }

    void set(T v) {
        store(std::move(v));
        if (observer_) observer_(value_);
    }

    // Stores and notifies subscribers without running the field's observer.
    void setWithoutObserver(T v) { store(std::move(v)); }

    // Edits the value in place: one announcement for the whole edit.
    template <class F>
    void modify(F&& edit) {
        owner_->emit();
        edit(value_);
        changed_.emit(value_);
        if (observer_) observer_(value_);
    }

    [[nodiscard]] Subscription subscribe(typename Signal<T>::Callback fn) { return changed_.subscribe(std::move(fn)); }

    // The field's own side effect after every assignment (one per field).
    void setObserver(std::function<void(const T&)> fn) { observer_ = std::move(fn); }

private:
    void store(T v) {
        owner_->emit();
        value_ = std::move(v);
        changed_.emit(value_);
    }

    Signal<>* owner_;
    T value_;
    Signal<T> changed_;
    std::function<void(const T&)> observer_;
};

// Base of the observable objects: one signal that fires before any field changes.
class ObservableObject {
public:
    ObservableObject() = default;
    ObservableObject(const ObservableObject&) = delete;
    ObservableObject& operator=(const ObservableObject&) = delete;

    [[nodiscard]] Subscription subscribeWillChange(std::function<void()> fn) {
        return willChange_.subscribe([f = std::move(fn)]() { f(); });
    }

protected:
    Signal<> willChange_;
};

} // namespace corv
