#pragma once

// The exceptions tab: the header's three ways to add an application and the
// list of applications with settings of their own, one row each.

#include "ui/tabs/exceptions/AppPopovers.h"
#include "ui/tabs/exceptions/ExceptionRules.h"
#include "ui/CheckBoxMark.h"

#include <QWidget>

#include <map>
#include <memory>
#include <string>
#include <vector>

class QAbstractButton;
class QScrollArea;

namespace corv::ui {
class ConfirmDelButton;
QWidget* makeExceptionsTab(QWidget* parent);
}

namespace corv::ui::exceptions {

class AppPicker;
class GesturePopover;
class KeyPopover;

// One application: its switch, icon and name (opening the gesture popover),
// the keyboard glyph (opening the key popover) and the two-step delete.
class AppRow : public QWidget {
public:
    AppRow(const std::string& appid, QWidget* parent);
    ~AppRow() override;

    const std::string& appid() const { return appid_; }
    void refresh();

    void openGesturePopover();
    void openKeyPopover();
    GesturePopover* gesturePopover() const;
    KeyPopover* keyPopover() const;

    CheckBoxMark* checkBox() const { return check_; }
    QWidget* nameArea() const { return nameArea_; }
    QLabel* iconLabel() const { return icon_; }
    FittedLabel* nameLabel() const { return name_; }
    QAbstractButton* keyboardButton() const { return keys_; }
    ConfirmDelButton* deleteButton() const { return del_; }

private:
    // The hover grounds as the pointer stands now.
    void followPointer();

    std::string appid_;
    CheckBoxMark* check_;
    QWidget* nameArea_;
    QLabel* icon_;
    FittedLabel* name_;
    QAbstractButton* keys_;
    ConfirmDelButton* del_;
    PopoverCapture gesCapture_;
    PopoverCapture keyCapture_;
    struct Popups;
    std::unique_ptr<Popups> popups_;
};

class ExceptionsTab : public QWidget {
public:
    explicit ExceptionsTab(QWidget* parent);
    ~ExceptionsTab() override;

    void refresh();
    std::vector<AppRow*> rows() const { return order_; }
    AppRow* row(const std::string& id) const;
    QAbstractButton* addInstalledButton() const { return addInstalled_; }
    QAbstractButton* addRunningButton() const { return addRunning_; }
    QAbstractButton* addManuallyButton() const { return addManually_; }
    AppPicker* picker() const;

    void showInstalledPicker();
    void showRunningPicker();

protected:
    // Each time the list shows, the installed applications are looked for again.
    void showEvent(QShowEvent* e) override;

private:
    void scheduleRefresh();
    void openPicker(int kind);

    QAbstractButton* addInstalled_;
    QAbstractButton* addRunning_;
    QAbstractButton* addManually_;
    QScrollArea* list_;
    QWidget* content_;
    std::map<std::string, AppRow*> rows_;
    std::vector<AppRow*> order_;
    struct State;
    std::unique_ptr<State> state_;
    bool refreshPending_ = false;
};

} // namespace corv::ui::exceptions
