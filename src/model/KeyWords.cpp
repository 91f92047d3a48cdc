#include "model/KeyWords.h"

#include "model/KeyCodeNames.h"
#include "model/ModifierLabels.h"
#include "model/ModifierMask.h"

namespace corv {

namespace {

constexpr std::array<KeyWord, kKeyWordCount> kWords{{
    // Modifier symbols, in the desktops' order.
    {"Fn", "Fn"},
    {"\u2303", "Ctrl"},
    {"\u2325", "Alt"},
    {"\u21E7", "Shift"},
    {"\u2318", "Super"},
    // Key names.
    {"Command", "Super"},
    {"Option", "Alt"},
    {"Control", "Ctrl"},
    {"RightOption", "Right Alt"},
    {"RightControl", "Right Ctrl"},
    {"RightShift", "Right Shift"},
    {"Help", "Insert"},
    {"\u23B5", "Space"},
    // Substitution keys.
    {"L CMD \u2318", "Left Super"},
    {"R CMD \u2318", "Right Super"},
    {"L Option \u2325", "Left Alt"},
    {"R Option \u2325", "Right Alt"},
    {"L Control \u2303", "Left Ctrl"},
    {"R Control \u2303", "Right Ctrl"},
    {"L Shift \u21E7", "Left Shift"},
    {"R Shift \u21E7", "Right Shift"},
    // Logitech controls.
    {"L Cmd", "Left Super"},
    {"R Cmd", "Right Super"},
    {"L Option", "Left Alt"},
    {"R Option", "Right Alt"},
    {"L Ctrl", "Left Ctrl"},
    {"R Ctrl", "Right Ctrl"},
    {"L Shift", "Left Shift"},
    {"R Shift", "Right Shift"},
}};

// Mask bits in the order of the first rows.
constexpr std::array<std::uint64_t, 5> kModifierBits{ModMask::Fn, ModMask::Control, ModMask::Option, ModMask::Shift,
                                                     ModMask::Command};

} // namespace

const std::array<KeyWord, kKeyWordCount>& keyWords() { return kWords; }

std::string_view shownKeyName(std::string_view stored) {
    for (const KeyWord& w : kWords)
        if (w.stored == stored) return w.shown;
    return stored;
}

std::optional<std::string_view> shownKeyCodeName(std::uint16_t keyCode) {
    if (auto name = keyCodeName(keyCode)) return shownKeyName(*name);
    // Codes without a stored name that Linux keyboards have.
    if (keyCode == 54) return "Right Super";
    if (keyCode == 10) return "Non-US \\";
    return std::nullopt;
}

std::string modifierWords(std::uint64_t mask, std::uint16_t keyCode) {
    mask = refineKeyMask(mask, keyCode);
    std::string text;
    for (std::size_t i = 0; i < kModifierBits.size(); ++i)
        if (mask & kModifierBits[i]) (text += kWords[i].shown) += '+';
    return text;
}

std::string shownModifierLabel(std::string_view label) {
    const auto flags = modifierLabelFlag(label);
    if (!flags || *flags == 0) return std::string(label);
    std::string text = modifierWords(*flags >> 16);
    text.pop_back();
    return text;
}

} // namespace corv
