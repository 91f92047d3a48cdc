#pragma once

#include "platform/Preferences.h"
#include "platform/desktop/shell/DesktopTouchpadSettings.h"

#include <memory>

namespace corv::desktop {

// This desktop keeps no preference domains of other programs and has no
// Library folder; its system version reads as 0. The trackpad settings come
// from the desktop's own store, answered under the names the system asks by.
class DesktopPreferences final : public platform::Preferences {
public:
    std::optional<platform::PrefValue> copyAppValue(const std::string& key, const std::string& domain) override;
    void synchronize(const std::string&) override {}
    std::optional<std::string> userLibraryDirectory() override { return std::nullopt; }
    platform::SystemVersion systemVersion() override { return {}; }
    bool keepsTrackpadSettings() override;
    std::unique_ptr<platform::PreferenceWatch> watchTrackpadSettings(std::function<void()> changed) override;

private:
    DesktopTouchpadSettings& touchpad();

    std::unique_ptr<DesktopTouchpadSettings> touchpad_;  // made at first use
};

} // namespace corv::desktop
