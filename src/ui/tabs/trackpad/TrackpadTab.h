#pragma once

// The trackpad tab's content, made fresh each time the tab is selected.

#include "ui/tabs/trackpad/ProfileTools.h"

#include <QWidget>

#include <vector>

class QScrollArea;

namespace corv::recorders {
struct GesPath;
}

namespace corv::ui {

QWidget* makeTrackpadTab(QWidget* parent);

class ToggleCombo;

namespace trackpad {

class BindingRow;
class HelpPane;

// The tab: icon strip, the global profile's help panes and help row or an
// application's header, then the gesture list and the click-through
// switches. It follows the shared objects and redraws one turn after they
// change.
class TrackpadTab : public QWidget {
public:
    explicit TrackpadTab(QWidget* parent);
    ~TrackpadTab() override;

    // Redraws from the shared objects now.
    void refresh();

    std::vector<BindingRow*> rows() const;
    BindingRow* row(const recorders::GesPath& p) const;
    QScrollArea* list() const { return list_; }
    HelpPane* pane() const { return pane_; }
    QWidget* helpRow() const { return helpRow_; }
    QWidget* appHeader() const { return appHeader_; }
    QWidget* cover() const { return cover_; }
    ToggleCombo* clickToggle(ClickFlag f) const { return toggles_[static_cast<int>(f)]; }

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    struct Parts;
    void scheduleRefresh();
    void buildHelpRow();
    void buildAppHeader();
    void buildLower();
    void refreshHeader();
    void refreshList();
    void fitHeights();

    Parts* parts_;
    QWidget* strip_ = nullptr;
    QWidget* helpBox_ = nullptr;
    HelpPane* pane_ = nullptr;
    QWidget* helpRow_ = nullptr;
    QWidget* appHeader_ = nullptr;
    QWidget* lower_ = nullptr;
    QWidget* body_ = nullptr;
    QWidget* noTouchpad_ = nullptr;
    QScrollArea* list_ = nullptr;
    QWidget* listContent_ = nullptr;
    QWidget* cover_ = nullptr;
    ToggleCombo* toggles_[3] = {};
    bool refreshPending_ = false;
};

} // namespace trackpad

} // namespace corv::ui
