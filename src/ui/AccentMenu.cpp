#include "ui/AccentMenu.h"

#include "ui/HintWinManager.h"
#include "ui/Theme.h"

#include <QAbstractButton>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOptionMenuItem>

#include <algorithm>

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

namespace {

// Menus that scroll rather than break into columns.
class ScrollingMenuStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_Menu_Scrollable) return 1;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
};

QStyle* scrollingMenuStyle() {
    static QPointer<ScrollingMenuStyle> style;
    if (!style) style = new ScrollingMenuStyle;
    return style;
}

} // namespace

int menuHeightBound(const QRect& workArea) { return std::max(200, workArea.height() * 3 / 5); }

AccentMenu::AccentMenu(QWidget* parent) : QMenu(parent) {
    setFont(systemFont(13, QFont::Light));
    // A long menu is one column of bounded height that scrolls.
    setStyle(scrollingMenuStyle());
    connect(this, &QMenu::aboutToShow, this, [this] {
        const QScreen* s = parentWidget() ? parentWidget()->screen() : screen();
        if (s) setMaximumHeight(menuHeightBound(s->availableGeometry()));
    });
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

void AccentMenu::showEvent(QShowEvent* e) {
    QMenu::showEvent(e);
    // Cut to its bound, the menu hangs from its button, not from the
    // screen's top where it was put to scroll.
    auto* button = qobject_cast<QAbstractButton*>(parentWidget());
    const QScreen* s = screen();
    if (!button || !s || height() >= sizeHint().height()) return;
    const QRect area = s->availableGeometry();
    const QRect b(button->mapToGlobal(QPoint(0, 0)), button->size());
    int top = b.bottom() + 1;
    if (top + height() > area.bottom() + 1) top = b.top() - height();
    top = std::clamp(top, area.top(), std::max(area.top(), area.bottom() + 1 - height()));
    move(x(), top);
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
