#pragma once

// The keyboard tab's content, made fresh each time the tab is selected.

#include <QWidget>

#include <vector>

class QScrollArea;
class QToolButton;

namespace corv::ui {

class ToggleCombo;

QWidget* makeKeyboardTab(QWidget* parent);

namespace keyboard {

class GeneralKeyRow;
class LogiBlockWidget;
class SubBlockWidget;

// The tab: icon strip, an application's header, then in a scroll column the
// general key bindings and, for the global profile, the Logitech keyboards
// and the substitution section. Showing it starts key capture; dropping it
// ends the capture and re-sends the control diversion. It redraws one turn
// after the shared objects change, and the column follows its content's
// height whenever that changes.
class KeyboardTab : public QWidget {
    Q_OBJECT

public:
    explicit KeyboardTab(QWidget* parent);
    ~KeyboardTab() override;

    void refresh();

    std::vector<GeneralKeyRow*> rows() const;
    std::vector<LogiBlockWidget*> logiBlocks() const;
    std::vector<SubBlockWidget*> subBlocks() const;
    QWidget* appHeader() const { return appHeader_; }
    QWidget* column() const { return column_; }
    QScrollArea* scroll() const { return scroll_; }
    QToolButton* addButton() const { return add_; }
    QWidget* cover() const { return cover_; }
    QWidget* logiSection() const { return logiSection_; }
    ToggleCombo* substitutionSwitch() const { return subSwitch_; }
    QToolButton* headerButton(int i) const { return headerButtons_[i]; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    // Fonts and widths are final once shown: the column fits them before the
    // first paint, so the panel is not resized again a turn later.
    void showEvent(QShowEvent* e) override;

private:
    struct Parts;
    void scheduleRefresh();
    // The scroll column as high as its content, up to what the screen allows.
    void fitColumn();
    void buildHeader();
    void refreshHeader();
    void refreshRows();
    void refreshDevices();

    Parts* parts_;
    QWidget* appHeader_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QWidget* column_ = nullptr;
    QWidget* general_ = nullptr;
    QToolButton* add_ = nullptr;
    QWidget* cover_ = nullptr;
    QWidget* devices_ = nullptr;
    QWidget* logiSection_ = nullptr;
    QWidget* subSection_ = nullptr;
    QWidget* noKeyboard_ = nullptr;
    ToggleCombo* subSwitch_ = nullptr;
    QWidget* subGap_ = nullptr;
    QWidget* appGap_ = nullptr;
    QToolButton* headerButtons_[3] = {};
    bool refreshPending_ = false;
};

} // namespace keyboard

} // namespace corv::ui
