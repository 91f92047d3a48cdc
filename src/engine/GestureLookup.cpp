#include "engine/GestureLookup.h"

#include "engine/CurrentApp.h"
#include "model/Apps.h"

namespace corv::engine {

namespace {

const BindAction* findIn(const DirBindings& byDir, ActDir direction) {
    auto it = byDir.find(direction);
    return it == byDir.end() ? nullptr : &it->second;
}

const ModDirBindings* masksOf(const AnApp& entry, std::uint64_t fingers, ActGes gesture) {
    auto f = entry.ges.find(fingers);
    if (f == entry.ges.end()) return nullptr;
    auto g = f->second.find(gesture);
    return g == f->second.end() ? nullptr : &g->second;
}

} // namespace

SubsetMatch modifierSubsetSearch(const ModDirBindings& byMask, std::uint64_t mods, ActDir direction) {
    SubsetMatch best;
    for (const auto& [mask, byDir] : byMask) {
        if ((mask & ~mods) != 0) continue;
        const BindAction* found = findIn(byDir, direction);
        if (!found) continue;
        if (!best.binding || outranksMask(mask, best.mask)) best = {mask, &byDir, found};
    }
    return best;
}

const AnApp* appEntry(const std::string& settingsKey) {
    const AppEntries& entries = Apps::shared().a.get();
    auto it = entries.find(settingsKey);
    return it == entries.end() ? nullptr : &it->second;
}

void findGestureBinding(const AnApp* entry, std::uint64_t fingers, ActGes gesture, std::uint64_t mods,
                        ActDir direction, GesBinding& target) {
    const ModDirBindings* byMask = entry ? masksOf(*entry, fingers, gesture) : nullptr;
    if (!byMask) {
        target.binding.reset();
        target.bindingOppo.reset();
        return;
    }

    const DirBindings* directions = nullptr;
    const BindAction* found = nullptr;
    if (auto exact = byMask->find(mods); exact != byMask->end()) {
        directions = &exact->second;
        found = findIn(*directions, direction);
    }
    if (found) {
        target.keyMod = 0;
    } else {
        const SubsetMatch match = modifierSubsetSearch(*byMask, mods, direction);
        if (!match.binding) {
            target.binding.reset();
            target.bindingOppo.reset();
            return;
        }
        directions = match.directions;
        found = match.binding;
        target.keyMod = (match.mask ^ mods) << 16;
    }
    target.binding = *found;

    if (!isOppositeCapable(gesture)) {
        target.bindingOppo.reset();
        return;
    }
    if (isPairedAction(found->actionSel)) {
        target.bindingOppo = *found;
        target.bindingOppo->actionSel = pairedOpposite(found->actionSel);
    } else if (const BindAction* oppo = findIn(*directions, opposite(direction))) {
        target.bindingOppo = *oppo;
    } else {
        target.bindingOppo.reset();
    }
    target.keyModOppo = target.keyMod;
}

const AnApp* currentAppEntry() { return appEntry(CurrentApp::shared().settingsKey); }

void findGestureBinding(std::uint64_t fingers, ActGes gesture, std::uint64_t mods, ActDir direction,
                        GesBinding& target) {
    findGestureBinding(currentAppEntry(), fingers, gesture, mods, direction, target);
}

} // namespace corv::engine
