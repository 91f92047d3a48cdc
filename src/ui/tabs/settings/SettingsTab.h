#pragma once

// The "Settings" tab: scroll friction, haptic feedback, the general switches,
// the possibly interfering programs, the version and the footer buttons.

#include "model/Observable.h"
#include "ui/tabs/settings/InterferingRefresh.h"

#include <QWidget>

#include <map>
#include <string>
#include <vector>

class QLabel;
class QVBoxLayout;

namespace corv::ui {

class IntSlider;
class StyledButton;
class ToggleCombo;
struct ToggleDesc;

QWidget* makeSettingsTab(QWidget* parent);

namespace settings {

// Redraws at once when the shared objects change. The interfering programs
// are listed on show and every 2 seconds until hidden or dropped.
class SettingsTab final : public QWidget {
public:
    explicit SettingsTab(QWidget* parent);
    ~SettingsTab() override;

    void refresh();

    IntSlider* frictionSlider() const { return friction_; }
    IntSlider* singleSlider() const { return single_; }
    IntSlider* multiSlider() const { return multi_; }
    // By title key: "Setting tab run at login", "Setting tab hide icon", ...
    ToggleCombo* toggle(const std::string& key) const { return toggles_.at(key); }
    // By label key: "Button save settings to file", "Setting tab quit", ...
    StyledButton* footerButton(const std::string& key) const { return buttons_.at(key); }
    QWidget* interferingSection() const { return interfering_; }
    std::vector<QLabel*> interferingLabels() const;
    QLabel* versionLabel() const { return version_; }
    const InterferingRefresh& interferingRefresh() const { return refresh_; }

protected:
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    QWidget* buildFriction();
    QWidget* buildHaptics();
    QWidget* buildSwitches();
    QWidget* buildFooter();
    ToggleCombo* addToggle(const std::string& key, ToggleDesc desc, QWidget* parent);
    StyledButton* addButton(const std::string& key, void (*action)(), QWidget* parent);
    void rebuildInterfering();

    QVBoxLayout* column_ = nullptr;
    IntSlider* friction_ = nullptr;
    IntSlider* single_ = nullptr;
    IntSlider* multi_ = nullptr;
    std::map<std::string, ToggleCombo*> toggles_;
    std::map<std::string, StyledButton*> buttons_;
    QWidget* interfering_ = nullptr;
    QVBoxLayout* interferingRows_ = nullptr;
    QLabel* version_ = nullptr;
    InterferingRefresh refresh_;
    std::vector<Subscription> subs_;
};

} // namespace settings

} // namespace corv::ui
