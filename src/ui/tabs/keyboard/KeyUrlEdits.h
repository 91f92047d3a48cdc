#pragma once

// The "Url" editor of a key row: the row id and field tags, what typing,
// pasting and picking a Shortcut store, the fields' last writes one turn
// after they close, and the carry-over of a global row's edit two turns
// after the editor closes. Every write goes to the slot the row was built
// for and never creates it.

#include "ui/tabs/keyboard/KeySlots.h"

#include <optional>
#include <string>

namespace corv::ui::keyboard {

enum class UrlField { Name, Target };

// "key_<key>_<mod>" or "quirk_<cid>_0".
std::string rowId(const KeySlotRef& s);
// The row id followed by "_name" or "_url".
std::string fieldTag(const KeySlotRef& s, UrlField f);

// The stored text; "" for a slot that is gone.
std::string urlFieldText(const KeySlotRef& s, UrlField f);
// Typed text, stored unchanged.
void writeUrlField(const KeySlotRef& s, UrlField f, const std::string& text);
// Pasted text as one trimmed line; nothing without text.
void pasteUrlField(const KeySlotRef& s, UrlField f, const std::optional<std::string>& clipboard);
void pickShortcut(const KeySlotRef& s, const std::string& name);

// One turn later, while the slot is a "Url" action, its trimmed last text.
void commitUrlField(const KeySlotRef& s, UrlField f, const std::string& lastText);

// For a general row of the global profile: two turns later each unlocked
// application still holding `remembered` in the slot takes the global
// binding as it is then.
void scheduleUrlCarryOver(const KeySlotRef& s, const std::optional<BindAction>& remembered);
void carryOverUrlEdit(std::uint64_t key, std::uint64_t mod, const std::optional<BindAction>& remembered);

} // namespace corv::ui::keyboard
