#pragma once

// The drop-down menu of a gesture row, filled from the action-menu rules each
// time it opens. The current choice is drawn in the accent colour.

#include "ui/tabs/trackpad/RowEdits.h"

#include <QMenu>

namespace corv::ui::trackpad {

// A menu whose actions with the property "accent" set draw their text in
// the accent colour.
class AccentMenu : public QMenu {
public:
    explicit AccentMenu(QWidget* parent = nullptr);

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};

// Fills `menu` for the row as its binding stands now.
void fillActionMenu(AccentMenu& menu, const RowRef& row);

} // namespace corv::ui::trackpad
