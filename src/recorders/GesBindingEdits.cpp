#include "recorders/GesBindingEdits.h"

#include "recorders/FollowingApps.h"

namespace corv::recorders {

namespace {

// The finger, kind and modifier levels of the place, each its own change.
void makeLevels(const std::string& id, const GesPath& p) {
    editEntry(id, [&](AnApp& e) { return e.ges.try_emplace(p.fgr).second; });
    editEntry(id, [&](AnApp& e) { return e.ges.at(p.fgr).try_emplace(p.ges).second; });
    editEntry(id, [&](AnApp& e) { return e.ges.at(p.fgr).at(p.ges).try_emplace(p.mod).second; });
}

void setBinding(const std::string& id, const GesPath& p, const BindAction& b) {
    editEntry(id, [&](AnApp& e) {
        e.ges.at(p.fgr).at(p.ges).at(p.mod)[p.dir] = b;
        return true;
    });
}

// Removes the binding if its levels are there, then drops each level on the
// path that is left empty, innermost first.
void removeSlot(const std::string& id, const GesPath& p) {
    editEntry(id, [&](AnApp& e) {
        auto f = e.ges.find(p.fgr);
        if (f == e.ges.end()) return false;
        auto g = f->second.find(p.ges);
        if (g == f->second.end()) return false;
        auto m = g->second.find(p.mod);
        return m != g->second.end() && m->second.erase(p.dir) > 0;
    });
    editEntry(id, [&](AnApp& e) {
        auto f = e.ges.find(p.fgr);
        if (f == e.ges.end()) return false;
        auto g = f->second.find(p.ges);
        if (g == f->second.end()) return false;
        auto m = g->second.find(p.mod);
        if (m == g->second.end() || !m->second.empty()) return false;
        g->second.erase(m);
        return true;
    });
    editEntry(id, [&](AnApp& e) {
        auto f = e.ges.find(p.fgr);
        if (f == e.ges.end()) return false;
        auto g = f->second.find(p.ges);
        if (g == f->second.end() || !g->second.empty()) return false;
        f->second.erase(g);
        return true;
    });
    editEntry(id, [&](AnApp& e) {
        auto f = e.ges.find(p.fgr);
        if (f == e.ges.end() || !f->second.empty()) return false;
        e.ges.erase(f);
        return true;
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
    const std::optional<BindAction> global = gesBindingAt(*appEntry(""), p);
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
