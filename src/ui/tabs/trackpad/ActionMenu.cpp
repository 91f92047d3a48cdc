#include "ui/tabs/trackpad/ActionMenu.h"
#include "ui/ActionSubmenus.h"

#include "ui/tabs/trackpad/ActionMenuModel.h"

namespace corv::ui::trackpad {

void fillActionMenu(AccentMenu& menu, const RowRef& row) {
    menu.clear();
    const BindAction b = readBinding(row);
    for (const MenuEntry& e : actionMenuEntries(row.path.ges, b)) {
        switch (e.kind) {
        case MenuEntry::Kind::Separator: menu.addSeparator(); break;
        case MenuEntry::Kind::Action: {
            const std::int64_t act = e.act;
            QAction* a = addAccentEntry(menu, e.name, e.accent, e.hint);
            a->setProperty("act", QVariant::fromValue<qlonglong>(act));
            QObject::connect(a, &QAction::triggered, [row, act] { chooseMenuAction(row, act); });
            break;
        }
        case MenuEntry::Kind::AppLaunch: {
            AccentMenu* sub = addAccentSubmenu(menu, e.name, e.accent, e.hint);
            sub->menuAction()->setProperty("act", QVariant::fromValue<qlonglong>(e.act));
            for (const Application& app : launchApps())
                QObject::connect(addAccentEntry(*sub, app.name, appEntryAccent(b, app)), &QAction::triggered,
                                 [row, app] { chooseLaunchApp(row, app); });
            break;
        }
        case MenuEntry::Kind::ModClicks: {
            AccentMenu* sub = addAccentSubmenu(menu, e.name, e.accent, e.hint);
            sub->menuAction()->setProperty("act", QVariant::fromValue<qlonglong>(e.act));
            for (const SubEntry& m : modifierSubmenus(b)) {
                AccentMenu* clicks = addAccentSubmenu(*sub, m.shown, m.accent);
                for (const SubEntry& c : clickEntries(b, m.label))
                    QObject::connect(addAccentEntry(*clicks, c.shown, c.accent), &QAction::triggered,
                                     [row, mod = m.label, click = c.label] { chooseModClick(row, mod, click); });
            }
            break;
        }
        }
    }
}

} // namespace corv::ui::trackpad
