#pragma once

// One gesture row: its title, the action menu, the click-through and
// multi-shot boxes and the delete button; below a highlighted "Url" row its
// editor. A press on the row highlights it; its controls take clicks only
// while it is highlighted.

#include "ui/tabs/trackpad/GestureRows.h"
#include "ui/CheckBoxMark.h"
#include "ui/AccentMenu.h"
#include "ui/tabs/trackpad/RowEdits.h"

#include <QWidget>

class QLabel;
class QToolButton;

namespace corv::ui {
class ConfirmDelButton;
}

namespace corv::ui::trackpad {

class UrlEditor;

class BindingRow : public QWidget {
public:
    explicit BindingRow(QWidget* parent);

    void setRow(const GestureRow& row);
    const RowRef& ref() const { return ref_; }

    QLabel* title() const { return title_; }
    QToolButton* menuButton() const { return menuButton_; }
    AccentMenu* menu() const { return menu_; }
    CheckBoxMark* clickThroughBox() const { return ctBox_; }
    CheckBoxMark* multiShotBox() const { return msBox_; }
    ConfirmDelButton* deleteButton() const { return del_; }
    UrlEditor* editor() const { return editor_; }
    // The colour of the title and frames now.
    QColor lineColor() const { return lineColor_; }

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    RowRef ref_;
    QColor lineColor_;
    QWidget* line_ = nullptr;
    QLabel* title_ = nullptr;
    QToolButton* menuButton_ = nullptr;
    AccentMenu* menu_ = nullptr;
    CheckBoxMark* ctBox_ = nullptr;
    CheckBoxMark* msBox_ = nullptr;
    ConfirmDelButton* del_ = nullptr;
    bool delEn_ = false;
    UrlEditor* editor_ = nullptr;
};

QColor rowColor(RowColor c);

} // namespace corv::ui::trackpad
