#pragma once

// The settings tab's rules, without widgets: what each row reads and writes.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace corv {
struct Buzz;
template <class T>
class Published;
}

namespace corv::ui::settings {

// Scroll friction: the slider shows the stored speed rounded half to even;
// a speed that is not a number shows the default 15 (as the engine writes
// it), others are limited to 0…50 before any conversion.
inline constexpr std::int64_t kSpeedLow = 0, kSpeedHigh = 50;
std::int64_t scrollFrictionValue();
void setScrollFrictionValue(std::int64_t v);
// The slider was let go: the speed goes to every trackpad.
void applyScrollFriction();

// Haptic strength: the slider shows intensity × 5 (single precision,
// truncated); an intensity that is not finite shows as the default, others
// are limited to 0…1000 before the conversion.
inline constexpr std::int64_t kIntensityLow = 1, kIntensityHigh = 10;
std::int64_t intensityValue(const Buzz& b);
void setIntensityValue(Published<Buzz>& field, std::int64_t v);
void playSingleShotTestPulse();
void playMultiShotTestPulse();

// The notification switches: bits 0 and 1 of Options.theme and their copies
// in UIState.
bool micMuteNotifSwitch();
void setMicMuteNotifSwitch(bool on);
bool capslockNotifSwitch();
void setCapslockNotifSwitch(bool on);

// Hiding the icon by a click keeps it hidden through the next activation
// once only.
void hideIconChanged(bool newValue, bool byClick);
// No updater runs: the switch is only stored.
void autoUpdateChanged(bool newValue, bool byClick);

// The interfering programs in ascending process id.
std::vector<std::pair<std::int32_t, std::string>> interferingRows();

// "Corvadine", a line feed, "v" and the short version; the name alone
// without one.
std::string versionText();

// Footer endpoints.
inline constexpr const char* kHomepage = "https://corvadine.example.org/";
inline constexpr const char* kFeedbackMail = "mailto:support@corvadine.example.org";
void openHomepage();
void openFeedbackMail();
void restartApp();
void quitApp();

} // namespace corv::ui::settings
