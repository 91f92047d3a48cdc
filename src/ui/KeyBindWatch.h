#pragma once

// Follows what the shared key capture shows (its raw keys, key, count of keys
// down, modifiers up), again after a capture replaces the instance: the old
// one is held weakly, since a new one may reuse its address.

#include "model/Observable.h"

#include <functional>
#include <memory>
#include <vector>

namespace corv::recorders {
class KeyBind;
}

namespace corv::ui {

class KeyBindWatch {
public:
    explicit KeyBindWatch(std::function<void()> changed) : changed_(std::move(changed)) {}
    // Subscribes to the current instance unless it already follows it.
    void follow();
    void stop();

private:
    std::function<void()> changed_;
    std::weak_ptr<recorders::KeyBind> watched_;
    std::vector<Subscription> subs_;
};

} // namespace corv::ui
