#pragma once

#include "platform/UserDefaults.h"

#include <map>

namespace corv::sim {

class SimUserDefaults final : public platform::UserDefaults {
public:
    std::optional<platform::DefaultsValue> value(const std::string& key) const override;
    void set(const std::string& key, platform::DefaultsValue value) override;
    void remove(const std::string& key) override;
    bool synchronize() override {
        ++syncCount;
        return true;
    }

    bool contains(const std::string& key) const { return values.count(key) != 0; }

    std::map<std::string, platform::DefaultsValue> values;
    int syncCount = 0;
};

} // namespace corv::sim
