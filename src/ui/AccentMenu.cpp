#include "ui/AccentMenu.h"

#include "ui/HintWinManager.h"
#include "ui/Theme.h"

#include <QAbstractButton>
#include <QCursor>
#include <QKeyEvent>
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

// Menus that scroll rather than break into columns. An open menu does not
// grow toward the screen's edge as it scrolls (which moved it over the
// panel): Qt grows only a menu shorter than the screen less twice this margin.
class ScrollingMenuStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* ret) const override {
        if (hint == SH_Menu_Scrollable) return 1;
        return QProxyStyle::styleHint(hint, option, widget, ret);
    }
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_MenuDesktopFrameWidth && widget && widget->isVisible()) return 1 << 20;
        return QProxyStyle::pixelMetric(metric, option, widget);
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
    setPalette(popupPalette());
    // A long menu is one column of bounded height that scrolls.
    setStyle(scrollingMenuStyle());
    connect(this, &QMenu::aboutToShow, this, [this] {
        if (const int bound = heightBound()) setMaximumHeight(bound);
    });
    // Entries hint through the panel's hover hints, after their delay.
    connect(this, &QMenu::hovered, this, [this](QAction* a) { hoverEntry(a); });
    connect(this, &QMenu::aboutToHide, this, [this] { hoverEntry(nullptr); });
}

AccentMenu::~AccentMenu() { hoverEntry(nullptr); }

int AccentMenu::heightBound() const {
    const QScreen* s = parentWidget() ? parentWidget()->screen() : screen();
    return s ? menuHeightBound(s->availableGeometry()) : 0;
}

QSize AccentMenu::sizeHint() const {
    QSize size = QMenu::sizeHint();
    // Qt scrolls only a menu that does not fit on the screen where it pops
    // up: until it shows, a menu longer than its bound asks for more than the
    // screen. Shown, it is placed by its button (showEvent).
    const int bound = heightBound();
    const QScreen* s = parentWidget() ? parentWidget()->screen() : screen();
    if (!isVisible() && s && bound && size.height() > bound)
        size.setHeight(std::max(size.height(), s->geometry().height() + 1));
    return size;
}

void AccentMenu::hoverEntry(QAction* action) {
    if (action == hovered_) return;
    auto& hints = HintWinManager::shared();
    if (hovered_) hints.hover(false, hovered_->property("hint").toString().toStdString(), true, {});
    hovered_ = action;
    hoveredByKeys_ = keying_;
    const std::string hint = action ? action->property("hint").toString().toStdString() : std::string();
    if (hint.empty()) return;
    QPointer<AccentMenu> self(this);
    QPointer<QAction> entry(action);
    hints.hover(
        true, hint, true,
        [self, entry]() -> platform::Rect {
            if (!self || !entry) return {};
            const QRect r = self->actionGeometry(entry);
            const QPoint at = self->mapToGlobal(r.topLeft());
            return {double(at.x()), double(at.y()), double(r.width()), double(r.height())};
        },
        [self, entry, byKeys = keying_]() -> std::optional<platform::Point> {
            if (!self || !entry || !byKeys) return std::nullopt;
            // Chosen with the keys: beside the menu, level with the entry.
            const QPoint at = self->mapToGlobal(QPoint(0, self->actionGeometry(entry).center().y() + 10));
            return platform::Point{double(at.x()), double(at.y())};
        });
}

void AccentMenu::dropHintOutOfView() {
    if (!hovered_) return;
    const QRect r = actionGeometry(hovered_);
    if (hoveredByKeys_ ? rect().contains(r) : r.contains(mapFromGlobal(QCursor::pos()))) return;
    const bool showing = HintWinManager::shared().currentText == hovered_->property("hint").toString().toStdString();
    hoverEntry(nullptr);
    if (showing) HintWinManager::shared().dismiss();
}

void AccentMenu::wheelEvent(QWheelEvent* e) {
    QMenu::wheelEvent(e);
    dropHintOutOfView();
}

void AccentMenu::keyPressEvent(QKeyEvent* e) {
    keying_ = true;
    QMenu::keyPressEvent(e);
    keying_ = false;
    dropHintOutOfView();
}

void AccentMenu::timerEvent(QTimerEvent* e) {
    // Also the scroll while the pointer rests on a scroll arrow.
    QMenu::timerEvent(e);
    dropHintOutOfView();
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
    // Below the button, else above it; where neither has room, on the roomier
    // side and shorter, never over the button.
    const int below = area.bottom() - b.bottom(), above = b.top() - area.top();
    if (height() > below && height() > above) resize(width(), std::max(below, above));
    move(x(), height() <= below ? b.bottom() + 1 : b.top() - height());
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
