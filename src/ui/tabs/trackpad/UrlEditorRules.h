#pragma once

// The rules of a "Url" row's editor: what typing, pasting, picking a Shortcut
// and the fields' final writes store, the target's kind, and the carry-over
// of a global row's edit when the editor closes.

#include "ui/tabs/trackpad/RowEdits.h"

#include <optional>
#include <string>

namespace corv::ui::trackpad {

enum class UrlField { Name, Target };

// "_name" or "_url", appended to the row field tag.
const char* fieldSuffix(UrlField f);

// The one-line form of typed or pasted text: lines joined, blanks trimmed.
std::string cleanFieldText(const std::string& text);

// A live write of the field's text, unchanged.
void writeUrlField(const RowRef& row, UrlField f, const std::string& text);
// Pasted text, cleaned to one line; nothing without text.
void pasteUrlField(const RowRef& row, UrlField f, const std::optional<std::string>& clipboard);
// A Shortcut picked from the menu becomes the target.
void chooseShortcut(const RowRef& row, const std::string& name);

// The field left its window: one turn later its last text, cleaned, is
// stored, while the binding is still a "Url" action. A row whose slot is gone
// by then gets nothing.
void commitUrlField(const RowRef& row, UrlField f, const std::string& lastText);

// The editor appeared: the binding to compare followers with.
std::optional<BindAction> rememberUrlBinding(const RowRef& row);
// The editor disappeared: for a global row, two turns later, every unlocked
// application still holding `remembered` in the slot takes the global
// binding, keeping its own `enabled`.
void scheduleUrlCarryOver(const RowRef& row, const std::optional<BindAction>& remembered);
void carryOverUrlEdit(const recorders::GesPath& path, const std::optional<BindAction>& remembered);

// The kind of target a text names (0 none, 1 app or URL, 2 executable,
// 3 script, 4 Shortcut).
int targetKind(const std::string& text);

} // namespace corv::ui::trackpad
