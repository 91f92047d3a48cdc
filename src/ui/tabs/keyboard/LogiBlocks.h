#pragma once

// The Logitech keyboards of the global profile: which slots get a block, in
// slot order, with their battery, add button and bound controls; adding the
// next unbound control, highlighting, moving and deleting a control row.

#include "model/LogiKeyOpt.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corv::ui::keyboard {

struct LogiBlock {
    int slot = 0;     // index into LogiKeybsUI.k
    int optIdx = 0;   // its record in LogiKeysOpt.k
    std::string product;
    int battery = -1;
    bool showBattery = false;
    bool addEnabled = false;
    std::vector<std::uint16_t> controls;  // bound, ascending
};

// Some slot holds a connected keyboard.
bool logiSectionShown();
// A keyboard is listed when it is valid and linked to a record that exists
// and offers controls; an index outside the records lists nothing.
std::vector<LogiBlock> listLogiBlocks();
// The record; null for an index outside LogiKeysOpt.k.
const LogiKeyOpt* logiRecord(int optIdx);

// Binds the smallest unbound control to "Do Nothing" and highlights it.
void addQuirkKeyBinding(int optIdx);
void highlightQuirkKey(int optIdx, std::uint16_t cid);
bool quirkHighlighted(int optIdx, std::uint16_t cid);

// The control's name, or "Key <id>".
std::string controlDisplayText(std::uint16_t cid);

struct ControlItem {
    std::uint16_t cid = 0;
    std::string label;
    bool green = false;  // flag bit 0x04
};
// The record's unbound controls, ascending.
std::vector<ControlItem> controlMenuItems(int optIdx);

// Moves every mask of `from` to `to`; choosing the same control changes
// nothing.
void chooseMenuControl(int optIdx, std::uint16_t from, std::uint16_t to);
void deleteQuirkBinding(int optIdx, std::uint16_t cid);

// The editor shows under the highlighted row of a "Url" binding.
bool quirkEditorShown(int optIdx, std::uint16_t cid);

} // namespace corv::ui::keyboard
