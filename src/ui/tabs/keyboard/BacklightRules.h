#pragma once

// A Logitech keyboard's backlight and Fn inversion rows: what the words
// show, and the user's changes: the switch writes the shown value; its
// change, when the user's click made it, is copied into the stored record
// and then sent. Requests go out through the request queue and are answered
// later; nothing here waits. A change that did not come from the user's
// click sends nothing and leaves the record alone.

#include <cstdint>
#include <string>
#include <vector>

namespace corv::ui::keyboard {

bool backlightOn(std::uint64_t backLight);
// The effect menu is offered while on with 0x7F in bits 16-23.
bool effectMenuShown(std::uint64_t backLight);
// The word the switch stores: bits 8-23 kept, bit 0 the switch, the rest clear.
std::uint64_t backlightSwitchWord(std::uint64_t backLight, bool on);
// Effect names by ascending code.
std::vector<std::string> backlightEffectNames();
// The name of bits 24-31, or the localised "Unknown".
std::string backlightEffectLabel(std::uint64_t backLightOptions);
// The status text of bits 16-23; empty from 7 on.
std::string backlightStatusText(std::uint64_t backLightOptions);
// Shown while on with a level count in bits 0-7.
bool levelRowShown(std::uint64_t backLight, std::uint64_t backLightOptions);

// The level slider's range and the level shown (bits 8-15).
struct LevelSlider {
    int low = 0;
    int high = 0;
    int value = 0;
};
LevelSlider levelSlider(std::uint64_t backLightOptions);

// Keyboard slot i of LogiKeybsUI.k: what its switches show, and their
// writes of the shown values.
bool shownBacklightOn(int i);
void setShownBacklightOn(int i, bool on);
bool shownFnInversion(int i);
void setShownFnInversion(int i, bool on);

// A switch's change; `byClick`: the user's own click made it.
void setBacklightOn(int i, bool on, bool byClick);
void setBacklightEffect(int i, const std::string& name);
void setFnInversion(int i, bool on, bool byClick);

} // namespace corv::ui::keyboard
