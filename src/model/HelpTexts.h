#pragma once

// The help texts shown beside the settings controls, read by index.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace corv {

enum class HelpTopic : std::size_t {
    LeftClickThrough = 0,
    RightClickThrough = 1,
    ScrollClickThrough = 2,
    BindingClickThrough = 3,
    Multishot = 4,
    KeysSub = 5,
    LogiKeyboard = 6,
    GeneralKeyBind = 7,
    LogiKeyboardBrightness = 8,
    HideIcon = 9,
    ColorScheme = 10,
    Deactivate = 11, // nothing reads it; kept for its position
    InterferingApps = 12,
    Url = 13,
};

inline constexpr std::size_t kHelpTextCount = 14;

// Localisation keys, in index order.
const std::array<std::string_view, kHelpTextCount>& helpTextKeys();
// The localised texts, built on first use in the language of that moment.
const std::array<std::string, kHelpTextCount>& helpTexts();
const std::string& helpText(HelpTopic topic);

} // namespace corv
