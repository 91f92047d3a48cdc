#include "ui/AccentMenu.h"

#include "ui/HintWinManager.h"
#include "ui/Theme.h"

#include <QStyleOptionMenuItem>

namespace corv::ui {

QAction* addAccentEntry(QMenu& menu, const std::string& text, bool accent, const std::string& hint) {
    QAction* a = menu.addAction(QString::fromStdString(text));
    a->setProperty("accent", accent);
    if (!hint.empty()) a->setProperty("hint", QString::fromStdString(hint));
    return a;
}

AccentMenu* addAccentSubmenu(QMenu& menu, const std::string& title, bool accent, const std::string& hint) {
    auto* sub = new AccentMenu(&menu);
    sub->setTitle(QString::fromStdString(title));
    QAction* a = menu.addMenu(sub);
    a->setProperty("accent", accent);
    if (!hint.empty()) a->setProperty("hint", QString::fromStdString(hint));
    return sub;
}

AccentMenu::AccentMenu(QWidget* parent) : QMenu(parent) {
    setFont(systemFont(13, QFont::Light));
    // Entries hint through the panel's hover hints, after their delay.
    connect(this, &QMenu::hovered, this, [this](QAction* a) { hoverEntry(a); });
    connect(this, &QMenu::aboutToHide, this, [this] { hoverEntry(nullptr); });
}

AccentMenu::~AccentMenu() { hoverEntry(nullptr); }

void AccentMenu::hoverEntry(QAction* action) {
    if (action == hovered_) return;
    auto& hints = HintWinManager::shared();
    if (hovered_) hints.hover(false, hovered_->property("hint").toString().toStdString(), true, {});
    hovered_ = action;
    const std::string hint = action ? action->property("hint").toString().toStdString() : std::string();
    if (hint.empty()) return;
    QPointer<AccentMenu> self(this);
    QPointer<QAction> entry(action);
    hints.hover(true, hint, true, [self, entry]() -> platform::Rect {
        if (!self || !entry) return {};
        const QRect r = self->actionGeometry(entry);
        const QPoint at = self->mapToGlobal(r.topLeft());
        return {double(at.x()), double(at.y()), double(r.width()), double(r.height())};
    });
}

void AccentMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
    QMenu::initStyleOption(option, action);
    if (!action || !action->property("accent").toBool()) return;
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        option->palette.setColor(role, accentTextColor());
}

QColor AccentMenu::entryTextColor(const QAction* action) const {
    QStyleOptionMenuItem option;
    initStyleOption(&option, action);
    return option.palette.color(QPalette::Text);
}

bool AccentMenu::entryChecked(const QAction* action) const {
    QStyleOptionMenuItem option;
    initStyleOption(&option, action);
    return option.checkType != QStyleOptionMenuItem::NotCheckable || option.checked;
}

} // namespace corv::ui
