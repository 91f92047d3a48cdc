#include "platform/sim/SimUserDefaults.h"

namespace corv::sim {

std::optional<platform::DefaultsValue> SimUserDefaults::value(const std::string& key) const {
    auto it = values.find(key);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

void SimUserDefaults::set(const std::string& key, platform::DefaultsValue value) {
    values.insert_or_assign(key, std::move(value));
}

void SimUserDefaults::remove(const std::string& key) { values.erase(key); }

bool SimUserDefaults::synchronize() {
    ++syncCount;
    if (pendingCopy) copies.push_back(std::move(*pendingCopy));
    pendingCopy.reset();
    return true;
}

void SimUserDefaults::keepCopyBeforeNextWrite() {
    if (!pendingCopy) pendingCopy = values;
}

} // namespace corv::sim
