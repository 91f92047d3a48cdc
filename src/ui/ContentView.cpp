#include "ui/ContentView.h"

#include "model/Options.h"
#include "ui/CustomTabView.h"
#include "ui/EscapeChain.h"
#include "ui/FocusRing.h"
#include "ui/HintPanelWidget.h"
#include "ui/KeyActivation.h"
#include "ui/RoundedOutline.h"
#include "ui/Theme.h"
#include "ui/tabs/exceptions/ExceptionsTab.h"
#include "ui/tabs/keyboard/KeyboardTab.h"
#include "ui/tabs/settings/SettingsTab.h"
#include "ui/tabs/trackpad/TrackpadTab.h"

#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace corv::ui {

namespace {

// A tab still to come: it opens empty.
QWidget* makeEmptyTab(QWidget* parent) {
    auto* tab = new QWidget(parent);
    tab->setFixedSize(kPanelWidth, 200);
    return tab;
}

// Escape and the focus ring are in place before the first control is
// polished: a button polished before would still take the focus on a click.
std::vector<TabDesc> tabsWithPanelKeys() {
    installEscapeChain();
    installFocusRing();
    installReturnPresses();
    return panelTabs();
}

} // namespace

std::vector<TabDesc> panelTabs() {
    std::vector<TabDesc> tabs;
    // Each tab's content starts and ends its own capture as it is made and dropped.
    for (const TabInfo& t : kTabs) tabs.push_back({QString::fromLatin1(t.title), QString::fromLatin1(t.symbol), makeEmptyTab});
    tabs[0].make = makeTrackpadTab;
    tabs[1].make = makeKeyboardTab;
    tabs[2].make = makeExceptionsTab;
    tabs[3].make = makeSettingsTab;
    return tabs;
}

ContentView::ContentView(QWidget* parent)
    : QWidget(parent), tabs_(new CustomTabView(Options::shared().tabSelection, tabsWithPanelKeys(), this)) {
    setPalette(panelPalette());
    setFont(panelFont());
    tabs_->setPalette(panelPalette());
    tabs_->setFont(panelFont());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // As high as the selected tab's content needs.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(tabs_);
    installHintPanel();
    // The tints of the tab bar and the tabs stop at the panel's rounded corners.
    new RoundedOutline(this, 20);
}

void ContentView::paintEvent(QPaintEvent*) {
    // What the tints lie on: the panel's own dark ground.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 20, 20);
    p.fillPath(path, palette().color(QPalette::Window));
}

QWidget* makeContentView(QWidget* parent) { return new ContentView(parent); }

} // namespace corv::ui
