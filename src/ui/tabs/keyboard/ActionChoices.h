#pragma once

// The action menu of the key rows: its entries and which of them names the
// slot's current choice, the cell label, and what each choice writes. A
// general row takes the key catalogue and carries a global profile's choice
// into the following applications; a Logitech row takes its own catalogue
// and touches only its keyboard's record.

#include "model/Application.h"
#include "ui/tabs/keyboard/KeySlots.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corv::ui::keyboard {

struct ActionEntry {
    enum class Kind { Separator, Action, AppLaunch, ModClicks, ExtraKeys } kind = Kind::Separator;
    std::int64_t index = -1;  // catalogue row
    std::int64_t act = -1;
    std::string name;
    std::string hint;  // empty: no hover hint
    bool accent = false;
};

// The catalogue of the row's kind with each entry's mark for the slot.
std::vector<ActionEntry> actionEntries(bool logi, const std::optional<BindAction>& slot);

struct ExtraKeyEntry {
    bool separator = false;
    std::string name;
    bool accent = false;
};
std::vector<ExtraKeyEntry> extraKeyEntries(const std::optional<BindAction>& slot);
bool extraKeyIsBound(const std::optional<BindAction>& slot, std::size_t row);

// Each writes its fields one by one (each a change of its own) and does
// nothing on a slot that is gone.
void chooseMenuAction(const KeySlotRef& s, std::int64_t act);
void chooseModClick(const KeySlotRef& s, std::string_view modifierLabel, std::string_view clickName);
void chooseLaunchApp(const KeySlotRef& s, const Application& app);
void chooseExtraKey(const KeySlotRef& s, std::size_t row);

// A capture under way in KeyBind, and the keys it holds.
bool captureUnderway();
std::string captureText();

enum class Tone { Primary, Accent, Norm, Dim };
struct CellLabel {
    std::string text;
    Tone tone = Tone::Norm;
};
// The closed action menu: the capture while the cell is highlighted and
// keys are held, else the binding's text (empty for an absent slot).
CellLabel actionCellLabel(const KeySlotRef& s, bool highlighted);

} // namespace corv::ui::keyboard
