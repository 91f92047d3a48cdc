#include "ui/tabs/settings/SettingRules.h"

#include "app/AppDelegate.h"
#include "engine/GestureItems.h"
#include "engine/TrackpadServices.h"
#include "model/Buzz.h"
#include "model/Haptic.h"
#include "model/Options.h"
#include "model/UIState.h"
#include "platform/Platform.h"
#include "platform/Url.h"

#include <algorithm>
#include <cmath>

namespace corv::ui::settings {

namespace {

constexpr double kDefaultSpeed = 15.0;
constexpr float kDefaultIntensity = 1.0f;
constexpr float kMaxIntensity = 1000.0f;

// The intensity as the slider and the pulse use it.
float boundedIntensity(float intensity) {
    if (!std::isfinite(intensity)) return kDefaultIntensity;
    return std::clamp(intensity, 0.0f, kMaxIntensity);
}

void testPulse(bool enabled, const Buzz& para) {
    Buzz b = para;
    b.intensity = boundedIntensity(b.intensity);
    engine::hapticPulse(enabled, b);
}

} // namespace

std::int64_t scrollFrictionValue() {
    double speed = Options::shared().sclAcc.get();
    if (std::isnan(speed)) speed = kDefaultSpeed;
    speed = std::clamp(speed, double(kSpeedLow), double(kSpeedHigh));
    return static_cast<std::int64_t>(std::nearbyint(speed));
}

void setScrollFrictionValue(std::int64_t v) { Options::shared().sclAcc.set(double(v)); }

void applyScrollFriction() { engine::setScrollFriction(); }

std::int64_t intensityValue(const Buzz& b) {
    // Single precision, as stored: 1.4f × 5 is 7, not 6.999….
    const float shown = boundedIntensity(b.intensity) * 5.0f;
    return static_cast<std::int64_t>(shown);
}

void setIntensityValue(Published<Buzz>& field, std::int64_t v) {
    field.modify([v](Buzz& b) { b.intensity = float(v) / 5.0f; });
}

void playSingleShotTestPulse() {
    const auto& h = Haptic::shared();
    testPulse(h.sEnable.get(), h.sPara.get());
}

void playMultiShotTestPulse() {
    const auto& h = Haptic::shared();
    testPulse(h.mEnable.get(), h.mPara.get());
}

bool micMuteNotifSwitch() { return (Options::shared().theme.get() & 1) != 0; }

void setMicMuteNotifSwitch(bool on) {
    auto& theme = Options::shared().theme;
    theme.set((theme.get() & ~std::int64_t{1}) | (on ? 1 : 0));
    UIState::shared().micMuteNotif.set(on);
}

bool capslockNotifSwitch() { return (Options::shared().theme.get() & 2) != 0; }

void setCapslockNotifSwitch(bool on) {
    auto& theme = Options::shared().theme;
    theme.set((theme.get() & ~std::int64_t{2}) | (on ? 2 : 0));
    UIState::shared().capslockNotif.set(on);
}

void hideIconChanged(bool newValue, bool byClick) {
    if (newValue && byClick) app::AppDelegate::shared().firstActivationPending = false;
}

void autoUpdateChanged(bool, bool) {}

std::vector<std::pair<std::int32_t, std::string>> interferingRows() {
    const auto& map = UIState::shared().interferingApp.get();
    return {map.begin(), map.end()};
}

std::string versionText() {
    std::string text = "Corvadine";
    if (auto v = platform::bundle().shortVersion()) text += "\nv" + *v;
    return text;
}

void openHomepage() { platform::workspace().openUrl(Url(kHomepage)); }
void openFeedbackMail() { platform::workspace().openUrl(Url(kFeedbackMail)); }
void restartApp() { app::AppDelegate::shared().restartClick(); }
void quitApp() { app::AppDelegate::shared().quitClick(); }

} // namespace corv::ui::settings
