#pragma once

// The global profile's device blocks: a Logitech keyboard (name, battery,
// add, backlight and Fn rows, bound controls) and a keyboard's substitution
// pairs. Each block redraws from the shared objects when told to.

#include "ui/tabs/keyboard/BacklightRules.h"
#include "ui/tabs/keyboard/LogiBlocks.h"
#include "ui/tabs/keyboard/Substitution.h"

#include <QWidget>

#include <map>

class QLabel;
class QToolButton;
class QVBoxLayout;

namespace corv::ui {
class BatteryIcon;
class ConfirmDelButton;
class IntSlider;
class ToggleCombo;
}

namespace corv::ui::keyboard {

class CellButton;
class QuirkKeyRow;

// The ⊕ that adds a row to a section; the hint of the key says what, and
// names it for screen readers.
QToolButton* plusButton(QWidget* parent, const char* hintKey);

// A section outlined around its content with a gap under its title.
class FramedBlock : public QWidget {
public:
    explicit FramedBlock(QWidget* parent);
    QWidget* titleRow = nullptr;

protected:
    void paintEvent(QPaintEvent*) override;
};

class LogiBlockWidget : public FramedBlock {
public:
    explicit LogiBlockWidget(QWidget* parent);
    void setBlock(const LogiBlock& b);

    QLabel* product() const { return product_; }
    BatteryIcon* battery() const { return battery_; }
    QToolButton* addButton() const { return add_; }
    ToggleCombo* backlightSwitch() const { return backlight_; }
    CellButton* effectMenu() const { return effect_; }
    QWidget* levelRow() const { return levelRow_; }
    QLabel* statusLabel() const { return status_; }
    // The level shown by the keyboard; it takes no mouse input.
    IntSlider* levelSlider() const { return bar_; }
    ToggleCombo* fnSwitch() const { return fn_; }
    std::vector<QuirkKeyRow*> rows() const;

private:
    LogiBlock block_;
    QLabel* product_;
    BatteryIcon* battery_ = nullptr;
    QToolButton* add_;
    ToggleCombo* backlight_;
    CellButton* effect_;
    QWidget* effectGap_;
    QWidget* levelRow_;
    QLabel* status_;
    IntSlider* bar_ = nullptr;
    int barHigh_ = -1;
    ToggleCombo* fn_;
    QVBoxLayout* rowList_;
    std::map<std::uint16_t, QuirkKeyRow*> rows_;
};

class PairRowWidget : public QWidget {
public:
    explicit PairRowWidget(QWidget* parent);
    void setPair(const PairRef& p);
    CellButton* field(bool src) const { return src ? src_ : dst_; }
    QToolButton* direction() const { return dir_; }
    ConfirmDelButton* deleteButton() const { return del_; }

private:
    PairRef pair_;
    CellButton* src_;
    QToolButton* dir_;
    CellButton* dst_;
    ConfirmDelButton* del_;
};

class SubBlockWidget : public FramedBlock {
public:
    explicit SubBlockWidget(QWidget* parent);
    void setBlock(const SubBlock& b);
    QToolButton* addButton() const { return add_; }
    std::vector<PairRowWidget*> rows() const { return rows_; }

private:
    SubBlock block_;
    QLabel* product_;
    QLabel* vendor_;
    QToolButton* add_;
    QWidget* empty_;
    QVBoxLayout* rowList_;
    std::vector<PairRowWidget*> rows_;
};

} // namespace corv::ui::keyboard
