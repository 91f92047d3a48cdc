#include "ui/tabs/trackpad/ActionMenuModel.h"

#include "model/ActionMenus.h"
#include "model/ActionTable.h"


namespace corv::ui::trackpad {

namespace {

bool chosen(const BindAction& b, std::int64_t act) { return !b.isHotkey && b.actionSel == act; }

} // namespace

std::vector<MenuEntry> actionMenuEntries(ActGes ges, const BindAction& b) {
    const bool click = ges == ActGes::Tap || ges == ActGes::Click || ges == ActGes::Click2;
    const ActionMenu& menu = click ? clickGestureActionMenu() : gestureActionMenu();
    std::vector<MenuEntry> out;
    out.reserve(menu.size());
    for (const MenuRow& row : menu) {
        MenuEntry e;
        if (row.name == "-") {
            out.push_back(e);
            continue;
        }
        e.act = row.act;
        e.name = row.name;
        e.hint = row.hint;
        e.kind = row.act == ActionId::ModClicks   ? MenuEntry::Kind::ModClicks
                 : row.act == ActionId::AppLaunch ? MenuEntry::Kind::AppLaunch
                                                  : MenuEntry::Kind::Action;
        e.accent = chosen(b, row.act);
        out.push_back(std::move(e));
    }
    return out;
}

} // namespace corv::ui::trackpad
