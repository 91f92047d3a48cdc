#include "ui/tabs/trackpad/GestureRows.h"

#include "model/KeyWords.h"
#include "model/UIApp.h"
#include "model/UIState.h"
#include "recorders/BindingDisplayText.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace corv::ui::trackpad {

using recorders::GesPath;

namespace {

constexpr double kReservedHeight = 322;

const AnApp* find(const AppEntries& apps, const std::string& id) {
    auto it = apps.find(id);
    return it == apps.end() ? nullptr : &it->second;
}

const KindBindings* fingerOf(const AnApp& a, std::uint64_t f) {
    auto it = a.ges.find(f);
    return it == a.ges.end() ? nullptr : &it->second;
}

const ModDirBindings* kindOf(const AnApp& a, std::uint64_t f, ActGes g) {
    const KindBindings* k = fingerOf(a, f);
    if (!k) return nullptr;
    auto it = k->find(g);
    return it == k->end() ? nullptr : &it->second;
}

const DirBindings* modOf(const AnApp& a, std::uint64_t f, ActGes g, std::uint64_t m) {
    const ModDirBindings* k = kindOf(a, f, g);
    if (!k) return nullptr;
    auto it = k->find(m);
    return it == k->end() ? nullptr : &it->second;
}

template <class Map, class Out>
void addKeys(const Map* m, Out& out) {
    if (m)
        for (const auto& kv : *m) out.insert(kv.first);
}

struct Builder {
    const ListInputs& in;
    const AnApp& app;
    const AnApp& global;

    bool shadowed(std::uint64_t f, ActGes g) const {
        if (in.threeFingerDrag && f == 3) return g == ActGes::Swipe;
        return f == 1 && g == ActGes::Click && !in.tapToClick;
    }

    void bindingRow(const GesPath& p, std::vector<GestureRow>& out) const {
        const std::optional<BindAction> own = recorders::gesBindingAt(app, p);
        const std::optional<BindAction> glob = recorders::gesBindingAt(global, p);
        GestureRow row;
        row.path = p;
        if (own) {
            row.own = true;
            row.appid = in.selected;
            row.binding = *own;
            row.highlighted = in.hi.fgr == p.fgr && in.hi.ges == p.ges && in.hi.mod == p.mod && in.hi.dir == p.dir;
            if (shadowed(p.fgr, p.ges))
                row.normColor = RowColor::Dim;
            else
                row.normColor = recorders::sameBinding(own, glob) ? RowColor::Primary : RowColor::Overridden;
            row.delEn = true;
        } else if (glob) {
            row.binding = *glob;
            row.normColor = RowColor::Dim;
        } else {
            return;
        }
        out.push_back(std::move(row));
    }

    void modifierRows(std::uint64_t f, ActGes g, std::vector<GestureRow>& out) const {
        std::set<std::uint64_t> mods;
        addKeys(kindOf(app, f, g), mods);
        addKeys(kindOf(global, f, g), mods);
        for (std::uint64_t m : mods) {
            std::set<ActDir> dirs;  // display order
            addKeys(modOf(app, f, g, m), dirs);
            addKeys(modOf(global, f, g, m), dirs);
            for (ActDir d : dirs) bindingRow(GesPath{f, g, m, d}, out);
        }
    }
};

} // namespace

std::vector<FingerGroup> gestureList(const ListInputs& in) {
    std::vector<FingerGroup> groups;
    if (!in.apps) return groups;
    const AnApp* app = find(*in.apps, in.selected);
    const AnApp* global = find(*in.apps, "");
    if (!app || !global) return groups;
    const Builder b{in, *app, *global};

    std::set<std::uint64_t> fingers;
    addKeys(&app->ges, fingers);
    addKeys(&global->ges, fingers);
    for (std::uint64_t f : fingers) {
        FingerGroup group;
        group.fgr = f;
        std::set<std::uint64_t> own;
        if (in.dividersFromOwn) addKeys(&app->ges, own);
        const std::set<std::uint64_t>& counted = in.dividersFromOwn ? own : fingers;
        group.divider = std::any_of(counted.begin(), counted.end(), [f](std::uint64_t k) { return k >= 1 && k < f; });
        std::set<ActGes> kinds;
        addKeys(fingerOf(*app, f), kinds);
        addKeys(fingerOf(*global, f), kinds);
        for (ActGes g : kinds) b.modifierRows(f, g, group.rows);
        groups.push_back(std::move(group));
    }
    return groups;
}

std::vector<FingerGroup> currentGestureList() {
    const UIState& ui = UIState::shared();
    ListInputs in;
    in.apps = &Apps::shared().a.get();
    in.selected = UIApp::shared().id.get();
    in.hi = recorders::GesHi::shared().h.get();
    in.tapToClick = ui.tapToClick.get();
    in.threeFingerDrag = ui.ThreefingerDrag.get();
    return gestureList(in);
}

std::string gestureTitle(const GesPath& p) {
    std::string t = modifierWords(p.mod) + std::to_string(p.fgr) + "F";
    switch (p.ges) {
    case ActGes::None: break;
    case ActGes::Tap: t += " Tap"; break;
    case ActGes::Click: t += " Click"; break;
    case ActGes::Click2: t += " 2nd Click"; break;
    case ActGes::Swipe:
        t += " Swipe";
        switch (p.dir) {
        case ActDir::Down: t += " \u2193"; break;
        case ActDir::Left: t += " \u2190"; break;
        case ActDir::Right: t += " \u2192"; break;
        case ActDir::Up: t += " \u2191"; break;
        default: break;
        }
        break;
    case ActGes::Rotate: t += p.dir == ActDir::CW ? " Rotate \U00100148" : " Rotate \U00100149"; break;
    case ActGes::Zoom: t += p.dir == ActDir::Pinch ? " Zoom \U00102127" : " Zoom \U0010211D"; break;
    }
    return t;
}

namespace {

const char* gesName(ActGes g) {
    static constexpr const char* names[] = {"None", "Tap", "Click", "Click2", "Swipe", "Rotate", "Zoom"};
    return names[raw(g)];
}

const char* dirName(ActDir d) {
    static constexpr const char* names[] = {"Down", "Left", "Pinch", "CW", "None", "CCW", "Spread", "Right", "Up"};
    return names[raw(d)];
}

} // namespace

std::string rowFieldTag(const GesPath& p) {
    return std::to_string(p.fgr) + "_" + gesName(p.ges) + "_" + std::to_string(p.mod) + "_" + dirName(p.dir);
}

double heightBudget(double screenHeight) {
    if (std::isnan(screenHeight) || std::isinf(screenHeight)) return std::numeric_limits<double>::infinity();
    return std::max(0.0, screenHeight - kReservedHeight);
}

double paneMaxHeight(double screenHeight, double listHeight) {
    const double b = heightBudget(screenHeight);
    if (std::isinf(b)) return b;
    return b - std::min(b * 0.5, std::max(0.0, listHeight));
}

double listMaxHeight(double screenHeight, double pane1, double pane2, double pane3) {
    const double b = heightBudget(screenHeight);
    if (std::isinf(b)) return b;
    return std::max(0.0, b - std::min(b * 0.5, std::max({0.0, pane1, pane2, pane3})));
}

} // namespace corv::ui::trackpad
