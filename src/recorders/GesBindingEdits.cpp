#include "recorders/GesBindingEdits.h"

#include "recorders/FollowingApps.h"

namespace corv::recorders {

namespace {

// The finger, kind and modifier levels of the place, each its own change. A
// level that an observer took away in between is not made again.
void makeLevels(const std::string& id, const GesPath& p) {
    editEntry(id, [&](AnApp& e) { return e.ges.try_emplace(p.fgr).second; });
    editEntry(id, [&](AnApp& e) {
        auto f = e.ges.find(p.fgr);
        return f != e.ges.end() && f->second.try_emplace(p.ges).second;
    });
    editEntry(id, [&](AnApp& e) {
        auto f = e.ges.find(p.fgr);
        if (f == e.ges.end()) return false;
        auto g = f->second.find(p.ges);
        return g != f->second.end() && g->second.try_emplace(p.mod).second;
    });
}

// Sets the binding under the direction when the three levels are there.
void setBinding(const std::string& id, const GesPath& p, const BindAction& b) {
    editEntry(id, [&](AnApp& e) {
        DirBindings* m = modifierLevel(e, p);
        if (!m) return false;
        (*m)[p.dir] = b;
        return true;
    });
}

// Removes the binding if its levels are there, then drops each level on the
// path that is left empty, innermost first.
void removeSlot(const std::string& id, const GesPath& p) {
    editEntry(id, [&](AnApp& e) {
        DirBindings* m = modifierLevel(e, p);
        return m && m->erase(p.dir) > 0;
    });
    editEntry(id, [&](AnApp& e) {
        DirBindings* m = modifierLevel(e, p);
        return m && m->empty() && kindLevel(e, p)->erase(p.mod) > 0;
    });
    editEntry(id, [&](AnApp& e) {
        ModDirBindings* g = kindLevel(e, p);
        return g && g->empty() && fingerLevel(e, p)->erase(p.ges) > 0;
    });
    editEntry(id, [&](AnApp& e) {
        KindBindings* f = fingerLevel(e, p);
        return f && f->empty() && e.ges.erase(p.fgr) > 0;
    });
}

} // namespace

void addGesBinding(const std::string& app, std::uint64_t fgr, ActGes ges, std::uint64_t mod, ActDir dir,
                   const BindAction& binding) {
    const GesPath p{fgr, ges, mod, dir};
    if (!appEntry(app) || (!app.empty() && !appEntry(""))) return;
    makeLevels(app, p);
    if (app.empty()) {
        setBinding(app, p, binding);
        for (const std::string& id : unlockedGesApps(Apps::shared().a.get())) {
            const AnApp* entry = appEntry(id);
            if (!entry || gesBindingAt(*entry, p)) continue;
            makeLevels(id, p);
            setBinding(id, p, binding);
        }
        return;
    }
    // A global entry that an observer took away meanwhile has no binding to give.
    const AnApp* globalEntry = appEntry("");
    const std::optional<BindAction> global = globalEntry ? gesBindingAt(*globalEntry, p) : std::nullopt;
    setBinding(app, p, global ? *global : binding);
}

void removeGesBinding(const std::string& app, std::uint64_t fgr, ActGes ges, std::uint64_t mod, ActDir dir) {
    const GesPath p{fgr, ges, mod, dir};
    const AnApp* entry = appEntry(app);
    if (!entry) return;
    const std::optional<BindAction> old = gesBindingAt(*entry, p);
    removeSlot(app, p);
    if (!app.empty()) return;
    for (const std::string& id : unlockedGesApps(Apps::shared().a.get())) {
        const AnApp* other = appEntry(id);
        if (other && sameBinding(gesBindingAt(*other, p), old)) removeSlot(id, p);
    }
}

} // namespace corv::recorders
