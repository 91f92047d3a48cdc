#pragma once

// The general key bindings of the selected profile: the rows in their order
// and colours, adding a placeholder, deleting, re-keying from the key menu,
// highlighting a cell, and the key cell's label and menu. Edits of the
// global profile are carried into the unlocked applications that held the
// same binding.

#include "ui/tabs/keyboard/ActionChoices.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corv::ui::keyboard {

enum class RowColor { Primary, Overridden, Dim };

struct KeyRow {
    KeySlotRef slot;  // an inherited row's slot is the global profile's
    bool own = false;
    bool delEn = false;
    RowColor color = RowColor::Primary;
    BindAction binding;
};

// Key codes ascending, then masks ascending: the selected entry's own rows
// and the global rows it does not bind. Nothing when either entry is missing.
std::vector<KeyRow> listKeyRows(const std::string& selectedId);

// The cells of a row highlighted now.
bool keyCellHighlighted(const KeyRow& row);
bool actionCellHighlighted(const KeyRow& row);

// The add button: a "Do Nothing" placeholder under key 0xFFFF, mask 0, in
// the selected profile (or the one named) (and the unlocked followers of the global one); its
// key cell highlighted.
void addKeyBinding();
void addKeyBinding(const std::string& id);
void highlightRowCell(const KeyRow& row, bool src);
void deleteKeyBinding(const KeyRow& row);
// Moves the row's binding to (menu key, 0); see the key menu.
void chooseMenuKey(const KeyRow& row, std::size_t index);

struct KeyMenuEntry {
    bool separator = false;
    std::string name;
    bool enabled = true;
    bool accent = false;
};
std::vector<KeyMenuEntry> keyMenuEntries(const KeyRow& row);

CellLabel keyCellLabel(const KeyRow& row);

// The detail editor shows under the row.
bool keyEditorShown(const KeyRow& row);

} // namespace corv::ui::keyboard
