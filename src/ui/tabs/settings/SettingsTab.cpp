#include "ui/tabs/settings/SettingsTab.h"

#include "model/Haptic.h"
#include "model/HelpTexts.h"
#include "model/Options.h"
#include "model/UIState.h"
#include "platform/Localization.h"
#include "platform/Platform.h"
#include "ui/ButtonStyles.h"
#include "ui/Theme.h"
#include "ui/HelpButton.h"
#include "ui/IntSlider.h"
#include "ui/ToggleCombo.h"
#include "ui/tabs/settings/SettingRules.h"
#include "ui/tabs/settings/SettingsFileActions.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace corv::ui {

QWidget* makeSettingsTab(QWidget* parent) { return new settings::SettingsTab(parent); }

namespace settings {

namespace {

constexpr int kColumnWidth = 310;
constexpr int kLabelWidth = 100;
constexpr int kSwitchColumn = 159;

QString loc(const char* key) { return QString::fromStdString(platform::localized(key)); }

// A label 100 wide, right-aligned, 8 clear of the control after it.
QLabel* rowLabel(const char* key, QWidget* parent) {
    auto* l = new QLabel(loc(key), parent);
    l->setFixedWidth(kLabelWidth);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setContentsMargins(0, 0, 8, 6);
    return l;
}

// A line with 4 clear above and below.
QWidget* divider(QWidget* parent) {
    auto* band = new QWidget(parent);
    auto* layout = new QVBoxLayout(band);
    layout->setContentsMargins(0, 4, 0, 4);
    auto* line = new QFrame(band);
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background: rgba(235, 235, 245, 64);"));
    layout->addWidget(line);
    return band;
}

// Footer actions run on the next turn: outside the button's own event, since
// a load or a quit may drop this tab.
void later(void (*action)()) { platform::runLoop().post(action); }

} // namespace

SettingsTab::SettingsTab(QWidget* parent) : QWidget(parent) {
    setFixedWidth(kPanelWidth);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 8, 0, 8);
    outer->setSpacing(0);
    auto* columnWidget = new QWidget(this);
    columnWidget->setFixedWidth(kColumnWidth);
    outer->addWidget(columnWidget, 0, Qt::AlignHCenter);
    column_ = new QVBoxLayout(columnWidget);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(0);

    column_->addSpacing(10);
    column_->addWidget(buildFriction());
    column_->addSpacing(10);
    column_->addWidget(buildHaptics());
    column_->addSpacing(20);
    column_->addWidget(buildSwitches());

    interfering_ = new QWidget(columnWidget);
    auto* section = new QVBoxLayout(interfering_);
    section->setContentsMargins(0, 8, 0, 0);
    section->setSpacing(0);
    auto* titleRow = new QHBoxLayout();
    titleRow->setSpacing(4);
    auto* title = new QLabel(loc("Setting tab possibly interfering apps"), interfering_);
    title->setStyleSheet(QStringLiteral("color: orange;"));
    titleRow->addWidget(title);
    titleRow->addWidget(makeHelpButton(helpText(HelpTopic::InterferingApps), interfering_));
    titleRow->addStretch(1);
    section->addLayout(titleRow);
    interferingRows_ = new QVBoxLayout();
    interferingRows_->setSpacing(0);
    section->addLayout(interferingRows_);
    column_->addWidget(interfering_);

    version_ = new QLabel(QString::fromStdString(versionText()), columnWidget);
    version_->setFont(systemFont(13, QFont::Light));
    version_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    version_->setContentsMargins(0, 8, 20, 8);
    column_->addWidget(version_);
    column_->addWidget(buildFooter());

    auto watch = [this](auto& field) { subs_.push_back(field.subscribe([this](const auto&) { refresh(); })); };
    auto& o = Options::shared();
    watch(o.sclAcc);
    watch(o.runAtLogin);
    watch(o.hideIcon);
    watch(o.autoCheckUpdates);
    watch(o.theme);
    auto& h = Haptic::shared();
    watch(h.sEnable);
    watch(h.mEnable);
    watch(h.sPara);
    watch(h.mPara);
    subs_.push_back(UIState::shared().interferingApp.subscribe([this](const auto&) { rebuildInterfering(); }));
    rebuildInterfering();
}

SettingsTab::~SettingsTab() { refresh_.stop(); }

QWidget* SettingsTab::buildFriction() {
    auto* w = new QWidget(this);
    auto* row = new QHBoxLayout(w);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(rowLabel("Setting tab scroll friction", w));
    friction_ = new IntSlider({kSpeedLow, kSpeedHigh, 1, scrollFrictionValue, setScrollFrictionValue, nullptr,
                               Qt::white, applyScrollFriction, playMultiShotTestPulse, 16},
                              w);
    friction_->setAccessibleName(loc("Setting tab scroll friction"));
    row->addWidget(friction_, 1);
    return w;
}

QWidget* SettingsTab::buildHaptics() {
    auto* w = new QWidget(this);
    auto* rows = new QVBoxLayout(w);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    auto& h = Haptic::shared();
    auto addPair = [&](const char* key, Published<bool>& enable, Published<Buzz>& para, void (*pulse)(), int below) {
        auto* toggleRow = new QHBoxLayout();
        toggleRow->setSpacing(0);
        toggleRow->addSpacing(kLabelWidth);
        toggleRow->addWidget(addToggle(key,
                                       {[&enable] { return enable.get(); }, [&enable](bool v) { enable.set(v); },
                                        loc(key), "", nullptr, QColor()},
                                       w),
                             1);
        rows->addLayout(toggleRow);
        auto* sliderRow = new QHBoxLayout();
        sliderRow->setSpacing(0);
        sliderRow->addWidget(rowLabel("Setting tab intensity", w));
        auto* slider = new IntSlider({kIntensityLow, kIntensityHigh, 1, [&para] { return intensityValue(para.get()); },
                                      [&para](std::int64_t v) { setIntensityValue(para, v); },
                                      [&enable] { return enable.get(); }, Qt::white, nullptr, pulse, 16},
                                     w);
        slider->setAccessibleName(loc("Setting tab intensity"));
        slider->setAccessibleDescription(loc(key));
        sliderRow->addWidget(slider, 1);
        rows->addLayout(sliderRow);
        rows->addSpacing(below);
        return slider;
    };
    single_ = addPair("Setting tab haptic for single shot actions", h.sEnable, h.sPara, playSingleShotTestPulse, 10);
    multi_ = addPair("Setting tab haptic for multishot actions", h.mEnable, h.mPara, playMultiShotTestPulse, 0);
    return w;
}

QWidget* SettingsTab::buildSwitches() {
    auto* w = new QWidget(this);
    auto* rows = new QVBoxLayout(w);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    auto& o = Options::shared();
    auto bound = [](Published<bool>& f) {
        return std::pair{std::function<bool()>([&f] { return f.get(); }), std::function<void(bool)>([&f](bool v) { f.set(v); })};
    };
    auto pair = [&](ToggleCombo* first, ToggleCombo* second) {
        auto* line = new QHBoxLayout();
        line->setSpacing(0);
        first->setFixedWidth(kSwitchColumn);
        line->addWidget(first);
        if (second) line->addWidget(second, 1);
        else line->addStretch(1);
        rows->addLayout(line);
    };
    auto [loginGet, loginSet] = bound(o.runAtLogin);
    auto [hideGet, hideSet] = bound(o.hideIcon);
    pair(addToggle("Setting tab run at login", {loginGet, loginSet, loc("Setting tab run at login"), "", nullptr, {}}, w),
         addToggle("Setting tab hide icon",
                   {hideGet, hideSet, loc("Setting tab hide icon"), helpText(HelpTopic::HideIcon), hideIconChanged, {}}, w));
    auto [updGet, updSet] = bound(o.autoCheckUpdates);
    auto* update = addToggle("Setting tab auto update",
                             {updGet, updSet, loc("Setting tab auto update"), "", autoUpdateChanged, {}}, w);
    auto* updateLine = new QHBoxLayout();
    updateLine->addWidget(update, 1);
    rows->addLayout(updateLine);
    pair(addToggle("Setting tab mic mute notif",
                   {micMuteNotifSwitch, setMicMuteNotifSwitch, loc("Setting tab mic mute notif"), "", nullptr, {}}, w),
         addToggle("Setting tab capslock notif",
                   {capslockNotifSwitch, setCapslockNotifSwitch, loc("Setting tab capslock notif"), "", nullptr, {}}, w));
    return w;
}

QWidget* SettingsTab::buildFooter() {
    auto* w = new QWidget(this);
    auto* lines = new QVBoxLayout(w);
    lines->setContentsMargins(0, 8, 0, 8);
    lines->setSpacing(10);
    auto pairLine = [&](const char* a, void (*actA)(), const char* b, void (*actB)()) {
        auto* line = new QHBoxLayout();
        line->setSpacing(10);
        line->addWidget(addButton(a, actA, w));
        line->addWidget(addButton(b, actB, w));
        lines->addLayout(line);
    };
    lines->addWidget(divider(w));
    pairLine("Button save settings to file", saveSettingsButton, "Button load settings from file", loadSettingsButton);
    lines->addWidget(addButton("Setting tab reset", resetSettingsButton, w));
    lines->addWidget(divider(w));
    pairLine("Setting tab homepage", openHomepage, "Setting tab email Feedback", openFeedbackMail);
    pairLine("Setting tab Check for update", nullptr, "Button restart", restartApp);
    lines->addWidget(addButton("Setting tab quit", quitApp, w));
    return w;
}

ToggleCombo* SettingsTab::addToggle(const std::string& key, ToggleDesc desc, QWidget* parent) {
    auto* t = new ToggleCombo(std::move(desc), parent);
    toggles_[key] = t;
    return t;
}

StyledButton* SettingsTab::addButton(const std::string& key, void (*action)(), QWidget* parent) {
    auto* b = new StyledButton(ButtonStyle::My, parent);
    b->setText(QString::fromStdString(platform::localized(key)));
    if (action) {
        connect(b, &QAbstractButton::clicked, b, [action] { later(action); });
    } else {
        // No update check runs here.
        b->setEnabled(false);
    }
    buttons_[key] = b;
    return b;
}

void SettingsTab::refresh() {
    for (IntSlider* s : {friction_, single_, multi_})
        if (s) s->refresh();
    for (auto& [key, t] : toggles_) t->refresh();
}

void SettingsTab::rebuildInterfering() {
    while (QLayoutItem* item = interferingRows_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const auto rows = interferingRows();
    for (const auto& [pid, name] : rows) {
        auto* row = new QLabel(QString::fromStdString(name), interfering_);
        interferingRows_->addWidget(row);
        row->show();
    }
    interfering_->setVisible(!rows.empty());
}

std::vector<QLabel*> SettingsTab::interferingLabels() const {
    std::vector<QLabel*> out;
    for (int i = 0; i < interferingRows_->count(); ++i)
        if (auto* l = qobject_cast<QLabel*>(interferingRows_->itemAt(i)->widget())) out.push_back(l);
    return out;
}

void SettingsTab::showEvent(QShowEvent*) { refresh_.start(); }

void SettingsTab::hideEvent(QHideEvent*) { refresh_.stop(); }

} // namespace settings

} // namespace corv::ui
