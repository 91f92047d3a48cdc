#pragma once

// The popovers of an application row: the gesture popover (its merged
// gesture rows, click-through section and header tools) and the key popover
// (its merged key rows and header tools). Both close on a click outside or
// Escape; closing runs `onClosed` once. Both follow the key capture.

#include "model/Observable.h"
#include "ui/KeyBindWatch.h"
#include "ui/tabs/keyboard/KeyRows.h"
#include "ui/SymbolButton.h"
#include "ui/tabs/trackpad/ProfileTools.h"
#include "ui/ToggleCombo.h"
#include "ui/tabs/trackpad/GestureRows.h"

#include <QFrame>
#include <QPointer>
#include <QLabel>

#include <functional>
#include <map>
#include <string>
#include <vector>

class QAbstractButton;
class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace corv::ui::trackpad {
class BindingRow;
}
namespace corv::ui::keyboard {
class GeneralKeyRow;
}

namespace corv::ui::exceptions {

// One line of text that shrinks down to `leastScale` of its font size before
// it is cut.
class FittedLabel : public QLabel {
public:
    explicit FittedLabel(QWidget* parent, double leastScale = 1.0) : QLabel(parent), leastScale_(leastScale) {}
    // The pixel size the text takes at the present width.
    int fittedPixelSize() const;
    // As wide as the text when there is room; any narrower when there is not.
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    double leastScale_;
};

// The gesture rows of the application's popover.
std::vector<trackpad::FingerGroup> popoverGestureList(const std::string& appid);

enum class FlagColor { Primary, Overridden };
// A click-through flag's colour: overridden when it differs from the global's.
FlagColor clickThroughColor(const std::string& appid, trackpad::ClickFlag f);

class Popover : public QFrame {
public:
    Popover(std::string appid, QWidget* parent);
    ~Popover() override;
    std::function<void()> onClosed;
    const std::string& appid() const { return appid_; }
    QWidget* cover() const { return cover_; }
    QWidget* header() const { return header_; }
    // Shown beside the anchor's left edge, inside the screen's work area.
    void popUp(QWidget* anchor);

protected:
    void hideEvent(QHideEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    // Header with icon and name; the tools follow.
    QWidget* buildHeader(QVBoxLayout* v);
    QScrollArea* buildList(QVBoxLayout* v, QWidget*& content);
    void scheduleRefresh();
    virtual void refresh() = 0;
    void placeCover(QWidget* over, bool enabled);
    // Sizes the list to its content within `maxHeight` and the screen's work
    // area (it scrolls for the rest), and tall enough for the cover's
    // message when the application is switched off.
    void fitList(QScrollArea* list, int content, int maxHeight, bool enabled);
    void place();
    void closed();

    std::string appid_;
    QPointer<QWidget> anchor_;
    QWidget* header_ = nullptr;
    QWidget* cover_ = nullptr;
    FittedLabel* name_ = nullptr;
    bool refreshPending_ = false;
    bool closedOnce_ = false;
    std::vector<Subscription> subs_;
    // The keys held during a capture show in the highlighted row.
    KeyBindWatch keyBind_{[this] { scheduleRefresh(); }};
};

class GesturePopover : public Popover {
public:
    GesturePopover(const std::string& appid, QWidget* parent);
    std::vector<trackpad::BindingRow*> rows() const { return order_; }
    SymbolButton* loadGlobalButton() const { return load_; }
    SymbolButton* removeAllButton() const { return remove_; }
    SymbolButton* lockButton() const { return lock_; }
    ToggleCombo* clickToggle(trackpad::ClickFlag f) const { return toggles_[static_cast<int>(f)]; }
    int dividerCount() const { return static_cast<int>(dividers_.size()); }
    void refresh() override;

private:
    QWidget* area_ = nullptr;
    QScrollArea* list_ = nullptr;
    QWidget* content_ = nullptr;
    SymbolButton* load_ = nullptr;
    SymbolButton* remove_ = nullptr;
    SymbolButton* lock_ = nullptr;
    ToggleCombo* toggles_[3] = {};
    std::map<recorders::GesPath, trackpad::BindingRow*, trackpad::PathLess> rows_;
    std::vector<trackpad::BindingRow*> order_;
    std::vector<QWidget*> dividers_;
    std::size_t lastHash_ = 0;
};

class KeyPopover : public Popover {
public:
    KeyPopover(const std::string& appid, QWidget* parent);
    std::vector<keyboard::GeneralKeyRow*> rows() const { return order_; }
    SymbolButton* loadGlobalButton() const { return load_; }
    SymbolButton* removeAllButton() const { return remove_; }
    QAbstractButton* addButton() const { return add_; }
    SymbolButton* lockButton() const { return lock_; }
    QLabel* coverMessage() const { return message_; }
    void refresh() override;

private:
    QScrollArea* list_ = nullptr;
    QWidget* content_ = nullptr;
    QLabel* message_ = nullptr;
    SymbolButton* load_ = nullptr;
    SymbolButton* remove_ = nullptr;
    QAbstractButton* add_ = nullptr;
    SymbolButton* lock_ = nullptr;
    std::vector<keyboard::GeneralKeyRow*> order_;
};

} // namespace corv::ui::exceptions
