#pragma once

#include "platform/Preferences.h"

namespace corv::desktop {

// This desktop keeps no preference domains of other programs and has no
// Library folder; its system version reads as 0.
class DesktopPreferences final : public platform::Preferences {
public:
    std::optional<platform::PrefValue> copyAppValue(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void synchronize(const std::string&) override {}
    std::optional<std::string> userLibraryDirectory() override { return std::nullopt; }
    platform::SystemVersion systemVersion() override { return {}; }
};

} // namespace corv::desktop
