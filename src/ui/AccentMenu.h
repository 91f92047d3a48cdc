#pragma once

// The panels' drop-down menus: the current choice is drawn in the accent
// colour and entries hint through the panel's hover hints.

#include <QMenu>
#include <QPointer>

#include <string>

namespace corv::ui {

// A menu whose actions with the property "accent" set draw their text in
// the accent colour; an action's "hint" property shows as its hover hint.
// A long one is a single column that scrolls, no taller than its bound, and
// stays where it opened while it scrolls; an entry's hint goes when the
// entry leaves the pointer or the view. The menu has the panel's colours.
class AccentMenu : public QMenu {
public:
    explicit AccentMenu(QWidget* parent = nullptr);
    ~AccentMenu() override;

    // The colour an entry's text is drawn in, and whether it is drawn checked.
    QColor entryTextColor(const QAction* action) const;
    bool entryChecked(const QAction* action) const;
    // The entry whose hover hint is pending or showing.
    QAction* hoveredEntry() const { return hovered_; }
    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent* e) override;
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    // The tallest it opens on its button's screen; 0 without a screen.
    int heightBound() const;
    void hoverEntry(QAction* action);
    // After a scroll: the hint of an entry scrolled away goes at once.
    void dropHintOutOfView();

    QPointer<QAction> hovered_;
    // The hovered entry was reached with the keys, not the pointer.
    bool keying_ = false;
    bool hoveredByKeys_ = false;
};

// The tallest a menu opens on a work area; a longer one scrolls.
int menuHeightBound(const QRect& workArea);

// An entry or a submenu with its accent and hint.
QAction* addAccentEntry(QMenu& menu, const std::string& text, bool accent, const std::string& hint = {});
AccentMenu* addAccentSubmenu(QMenu& menu, const std::string& title, bool accent, const std::string& hint = {});

} // namespace corv::ui
