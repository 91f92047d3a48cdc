#include "recorders/BindingPaths.h"

namespace corv::recorders {

KindBindings* fingerLevel(AnApp& app, const GesPath& p) {
    auto f = app.ges.find(p.fgr);
    return f == app.ges.end() ? nullptr : &f->second;
}

ModDirBindings* kindLevel(AnApp& app, const GesPath& p) {
    KindBindings* f = fingerLevel(app, p);
    if (!f) return nullptr;
    auto g = f->find(p.ges);
    return g == f->end() ? nullptr : &g->second;
}

DirBindings* modifierLevel(AnApp& app, const GesPath& p) {
    ModDirBindings* g = kindLevel(app, p);
    if (!g) return nullptr;
    auto m = g->find(p.mod);
    return m == g->end() ? nullptr : &m->second;
}

std::optional<BindAction> gesBindingAt(const AnApp& app, const GesPath& p) {
    auto f = app.ges.find(p.fgr);
    if (f == app.ges.end()) return std::nullopt;
    auto g = f->second.find(p.ges);
    if (g == f->second.end()) return std::nullopt;
    auto m = g->second.find(p.mod);
    if (m == g->second.end()) return std::nullopt;
    auto d = m->second.find(p.dir);
    if (d == m->second.end()) return std::nullopt;
    return d->second;
}

std::optional<BindAction> keyBindingAt(const AnApp& app, std::uint64_t key, std::uint64_t mod) {
    auto k = app.key.find(key);
    if (k == app.key.end()) return std::nullopt;
    auto m = k->second.find(mod);
    if (m == k->second.end()) return std::nullopt;
    return m->second;
}

BindAction* gesSlot(AnApp& app, const GesPath& p) {
    DirBindings* m = modifierLevel(app, p);
    if (!m) return nullptr;
    auto d = m->find(p.dir);
    return d == m->end() ? nullptr : &d->second;
}

BindAction* keySlot(AnApp& app, std::uint64_t key, std::uint64_t mod) {
    auto k = app.key.find(key);
    if (k == app.key.end()) return nullptr;
    auto m = k->second.find(mod);
    return m == k->second.end() ? nullptr : &m->second;
}

const AnApp* appEntry(const std::string& id) {
    const AppEntries& all = Apps::shared().a.get();
    auto it = all.find(id);
    return it == all.end() ? nullptr : &it->second;
}

bool sameBinding(const std::optional<BindAction>& a, const std::optional<BindAction>& b) {
    return a == b;
}

} // namespace corv::recorders
