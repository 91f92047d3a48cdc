#pragma once

#include "platform/UserDefaults.h"

#include <map>
#include <optional>
#include <vector>

namespace corv::sim {

class SimUserDefaults final : public platform::UserDefaults {
public:
    std::optional<platform::DefaultsValue> value(const std::string& key) const override;
    void set(const std::string& key, platform::DefaultsValue value) override;
    void remove(const std::string& key) override;
    bool synchronize() override;
    void keepCopyBeforeNextWrite() override;

    bool contains(const std::string& key) const { return values.count(key) != 0; }

    using Values = std::map<std::string, platform::DefaultsValue>;
    Values values;
    int syncCount = 0;
    // The values at each request for a copy, kept when the next write happened.
    std::vector<Values> copies;
    std::optional<Values> pendingCopy;
};

} // namespace corv::sim
