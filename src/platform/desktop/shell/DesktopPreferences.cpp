#include "platform/desktop/shell/DesktopPreferences.h"

namespace corv::desktop {

namespace {

// Where the system looks for the two settings.
constexpr const char* kTrackpadDomain = "com.apple.AppleMultitouchTrackpad";
constexpr const char* kTapToClickKey = "Clicking";
constexpr const char* kNaturalScrollKey = "com.apple.swipescrolldirection";

} // namespace

DesktopTouchpadSettings& DesktopPreferences::touchpad() {
    if (!touchpad_) touchpad_ = std::make_unique<DesktopTouchpadSettings>();
    return *touchpad_;
}

std::optional<platform::PrefValue> DesktopPreferences::copyAppValue(const std::string& key,
                                                                    const std::string& domain) {
    std::optional<bool> value;
    if (key == kTapToClickKey && domain == kTrackpadDomain) value = touchpad().read().tapToClick;
    else if (key == kNaturalScrollKey && (domain == platform::kAnyApplication || domain == platform::kGlobalDomain))
        value = touchpad().read().naturalScroll;
    if (!value) return std::nullopt;
    return platform::PrefValue{*value};
}

bool DesktopPreferences::keepsTrackpadSettings() { return touchpad().store() != TouchpadStore::None; }

std::unique_ptr<platform::PreferenceWatch> DesktopPreferences::watchTrackpadSettings(std::function<void()> changed) {
    return touchpad().watch(std::move(changed));
}

} // namespace corv::desktop
