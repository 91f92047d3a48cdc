#pragma once

// What a gesture row's controls do to the bindings: the row's two-way
// binding, the action menu's choices, the two check boxes, delete, selecting
// the row, and the carry-over of edits made on the global profile.

#include "model/Application.h"
#include "ui/tabs/trackpad/GestureRows.h"

#include <functional>
#include <string>
#include <string_view>

namespace corv::ui::trackpad {

// The slot a row edits, as the row was built. A copy outlives the row; every
// operation re-reads the shared objects.
struct RowRef {
    std::string appid;
    recorders::GesPath path;
    bool own = false;
    bool highlighted = false;
    bool delEn = false;
    BindAction constant;  // what an inherited row shows

    static RowRef of(const GestureRow& row);
};

// The stored binding of an own row, "Do Nothing" when a level is missing; an
// inherited row's copy.
BindAction readBinding(const RowRef& row);
// Stores into an own row's slot when its entry and its finger, kind and
// modifier levels exist; one change of Apps.a. Never creates anything.
void writeBinding(const RowRef& row, const BindAction& value);
// Reads, edits one field, writes back.
void editBinding(const RowRef& row, const std::function<void(BindAction&)>& edit);

// For an edit on the global profile: each unlocked application whose slot
// under the path equals `reference` gets `apply` on that slot (one change
// each). No slot is ever created.
void carryOver(const recorders::GesPath& path, const BindAction& reference,
               const std::function<void(BindAction&)>& apply);

void chooseMenuAction(const RowRef& row, std::int64_t act);
void chooseLaunchApp(const RowRef& row, const Application& app);
void chooseModClick(const RowRef& row, std::string_view modifierLabel, std::string_view clickName);
void toggleClickThrough(const RowRef& row);
void toggleMultiShot(const RowRef& row);
void deleteBinding(const RowRef& row);
// Arms the recorders for the row (not while a gesture is being recorded, nor
// for an inherited row); whether it did.
bool highlightRow(const RowRef& row);
// No row highlighted; the other fields of the highlight are kept.
void clearHighlight();

// The check boxes a binding offers.
bool clickThroughOffered(const BindAction& b);
bool multiShotOffered(ActGes ges, const BindAction& b);
// The "Url" editor block shows below a highlighted "Url" row.
bool editorShown(bool highlighted, const BindAction& b);

// The action menu's label: the keys held while the row records, else the
// binding's display text.
struct MenuLabel {
    std::string text;
    enum class Tone { Primary, Accent, Norm } tone = Tone::Norm;
};
MenuLabel bindingMenuLabel(const RowRef& row, const BindAction& b);

} // namespace corv::ui::trackpad
