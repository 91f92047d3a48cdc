#pragma once

// The drop-down menu of a gesture row, filled from the action-menu rules each
// time it opens. The current choice is drawn in the accent colour.

#include "ui/tabs/trackpad/RowEdits.h"

#include <QMenu>
#include <QPointer>

namespace corv::ui::trackpad {

// A menu whose actions with the property "accent" set draw their text in
// the accent colour.
class AccentMenu : public QMenu {
public:
    explicit AccentMenu(QWidget* parent = nullptr);
    ~AccentMenu() override;

    // The colour an entry's text is drawn in, and whether it is drawn checked.
    QColor entryTextColor(const QAction* action) const;
    bool entryChecked(const QAction* action) const;
    // The entry whose hover hint is pending or showing.
    QAction* hoveredEntry() const { return hovered_; }

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

private:
    void hoverEntry(QAction* action);

    QPointer<QAction> hovered_;
};

// Fills `menu` for the row as its binding stands now.
void fillActionMenu(AccentMenu& menu, const RowRef& row);

} // namespace corv::ui::trackpad
