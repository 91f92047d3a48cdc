#pragma once

// The words the panel shows for stored key and modifier names: those of Linux
// desktops (Super, Alt, Ctrl, Shift, as GNOME and KDE write shortcuts). The
// stored names never change; they become these words on their way to the
// screen, through this one table.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corv {

struct KeyWord {
    std::string_view stored;
    std::string_view shown;
};

inline constexpr std::size_t kKeyWordCount = 29;

const std::array<KeyWord, kKeyWordCount>& keyWords();
// The shown word of a stored name; the name itself when the table has none.
std::string_view shownKeyName(std::string_view stored);
// The shown word of a key code, also for the keys the stored names leave out
// (Right Super, the key beside Left Shift); nothing for an unknown code.
std::optional<std::string_view> shownKeyCodeName(std::uint16_t keyCode);
// The modifiers of a mask (event flags shifted right by 16) as words in the
// desktops' order, each followed by "+": "Ctrl+Shift+". An Fn that the key
// brings by itself is left out.
std::string modifierWords(std::uint64_t mask, std::uint16_t keyCode = 0);
// A modifier label of a "Mod Clicks" binding as words: "⇧⌘" is "Shift+Super".
std::string shownModifierLabel(std::string_view label);

} // namespace corv
