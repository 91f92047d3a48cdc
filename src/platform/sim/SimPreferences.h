#pragma once

#include "platform/Preferences.h"

#include <map>
#include <utility>
#include <vector>

namespace corv::sim {

// Preference values keyed by (domain, key).
class SimPreferences final : public platform::Preferences {
public:
    std::optional<platform::PrefValue> copyAppValue(const std::string& key, const std::string& domain) override {
        reads.push_back(domain + ":" + key);
        auto it = values.find({domain, key});
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    void synchronize(const std::string& domain) override { syncs.push_back(domain); }
    std::optional<std::string> userLibraryDirectory() override { return library; }
    platform::SystemVersion systemVersion() override { return version; }

    bool keepsTrackpadSettings() override { return ownStore; }
    std::unique_ptr<platform::PreferenceWatch> watchTrackpadSettings(std::function<void()> changed) override {
        if (!ownStore) return nullptr;
        storeChanged = std::move(changed);
        return std::make_unique<platform::PreferenceWatch>();
    }

    void set(const std::string& domain, const std::string& key, platform::PrefValue v) {
        values[{domain, key}] = std::move(v);
    }

    std::map<std::pair<std::string, std::string>, platform::PrefValue> values;
    std::optional<std::string> library = std::string("/Users/user/Library");
    platform::SystemVersion version{26, 0, 0};
    std::vector<std::string> reads;
    std::vector<std::string> syncs;
    // A store of the trackpad settings of its own, and what its watch calls.
    bool ownStore = false;
    std::function<void()> storeChanged;
};

} // namespace corv::sim
