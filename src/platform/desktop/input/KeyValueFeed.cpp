#include "platform/desktop/input/KeyValueFeed.h"

#include "platform/desktop/input/EvdevKeyMap.h"

namespace corv::desktop {

void KeyValueFeed::frame(const std::string& syspath, const std::string& hidSyspath,
                         const std::vector<KeyChange>& keys) {
    Held& held = held_[syspath];
    held.hidSyspath = hidSyspath;
    for (const KeyChange& key : keys) {
        const auto usage = hidUsageOfEvdev(key.evdev);
        if (!usage) continue;
        const bool changed = key.down ? held.usages.insert(*usage).second : held.usages.erase(*usage) > 0;
        if (changed) send(hidSyspath, *usage, key.down);
    }
    if (held.usages.empty()) held_.erase(syspath);
}

void KeyValueFeed::lost(const std::string& syspath) {
    auto it = held_.find(syspath);
    if (it == held_.end()) return;
    const Held held = std::move(it->second);
    held_.erase(it);
    for (const std::uint64_t usage : held.usages) send(held.hidSyspath, usage, false);
}

void KeyValueFeed::send(const std::string& hidSyspath, std::uint64_t usage, bool down) {
    if (!deliver) return;
    deliver(hidSyspath, platform::HidInputValue{static_cast<std::uint32_t>(usage >> 32),
                                                static_cast<std::uint32_t>(usage & 0xFFFFFFFFu), down ? 1 : 0});
}

} // namespace corv::desktop
