#pragma once

// Reading one binding of an application by its place, without creating levels.

#include "model/AnApp.h"
#include "model/Apps.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace corv::recorders {

struct GesPath {
    std::uint64_t fgr = 0;
    ActGes ges = ActGes::None;
    std::uint64_t mod = 0;
    ActDir dir = ActDir::None;
};

// The binding at the place; nothing when a level is missing.
std::optional<BindAction> gesBindingAt(const AnApp& app, const GesPath& p);
std::optional<BindAction> keyBindingAt(const AnApp& app, std::uint64_t key, std::uint64_t mod);

// The levels on the way to a gesture binding, to change in place; null when
// a level is missing.
KindBindings* fingerLevel(AnApp& app, const GesPath& p);
ModDirBindings* kindLevel(AnApp& app, const GesPath& p);
DirBindings* modifierLevel(AnApp& app, const GesPath& p);

// The binding at the place, to change in place; null when a level is missing.
BindAction* gesSlot(AnApp& app, const GesPath& p);
BindAction* keySlot(AnApp& app, std::uint64_t key, std::uint64_t mod);

// The entry of the id in Apps.a; null when there is none.
const AnApp* appEntry(const std::string& id);

// Edits a copy of the id's entry; when the edit reports a change, the copy is
// written back as one change of Apps.a. Nothing when the entry is missing.
template <class Edit>
void editEntry(const std::string& id, Edit edit) {
    const AnApp* current = appEntry(id);
    if (!current) return;
    AnApp copy = *current;
    if (!edit(copy)) return;
    Apps::shared().a.modify([&](AppEntries& all) { all[id] = std::move(copy); });
}

// Absent and absent, or present and doing the same thing.
bool sameBinding(const std::optional<BindAction>& a, const std::optional<BindAction>& b);

} // namespace corv::recorders
