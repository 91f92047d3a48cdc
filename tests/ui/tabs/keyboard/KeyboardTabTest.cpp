// Model headers come before Qt's, whose keywords clash with them.
#include "KeyboardFixture.h"

#include "../../../engine/HidServiceData.h"
#include "engine/KeyboardServices.h"
#include "logitech/FeatureID.h"
#include "model/KeySubOpt.h"
#include "model/Options.h"
#include "model/ShellState.h"
#include "model/UIState.h"
#include "recorders/Highlights.h"
#include "recorders/KeyBind.h"
#include "ui/ContentView.h"
#include "ui/AppToggle.h"
#include "ui/ConfirmDelButton.h"
#include "ui/HintWinManager.h"
#include "ui/Theme.h"
#include "ui/WhenShown.h"
#include "ui/tabs/keyboard/BacklightRules.h"
#include "ui/tabs/keyboard/DeviceSections.h"
#include "ui/tabs/keyboard/KeyRowWidgets.h"
#include "ui/tabs/keyboard/KeyboardTab.h"
#include "ui/tabs/keyboard/KeyUrlEdits.h"
#include "ui/tabs/keyboard/KeysTabState.h"

#include "ui/Snapshot.h"
#include "ui/ThroughWindow.h"

#include "ui/IntSlider.h"
#include "ui/ToggleCombo.h"

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <memory>
#include <optional>
#include <tuple>

namespace corv::test {
namespace {

using namespace ui;
using namespace ui::keyboard;
using logitech::FeatureID;
using logitech::test::longReport;

constexpr std::uint8_t kControls = 0x09, kFn = 0x06, kFnMultiHost = 0x07, kLight = 0x04;

class KeyboardTabTest : public KeyboardTabFixture {
protected:
    KeyboardTabTest() {
        btKeyb.addFeatures({{sim::SimKeyboard::kFnInversion, kFn},
                            {sim::SimKeyboard::kFnInversionMultiHost, kFnMultiHost},
                            {sim::SimKeyboard::kBacklight, kLight},
                            {sim::SimKeyboard::kControls, kControls}});
        record(logitech::test::kBtKeyboard, btDev, 0xFF, "K380");
        editOpt(logitech::test::kBtKeyboard, [](LogiKeyOpt& o) {
            o.featureMap[static_cast<std::int64_t>(FeatureID::ID_40A2)] = kFn;
            o.featureMap[static_cast<std::int64_t>(FeatureID::ID_40A3)] = kFnMultiHost;
            o.featureMap[static_cast<std::int64_t>(FeatureID::ID_1982)] = kLight;
            o.featureMap[static_cast<std::int64_t>(FeatureID::ID_1B04)] = kControls;
        });
        giveControls(logitech::test::kBtKeyboard, {1, 2, 3}, {1});
        LogiKeybsUI::shared().k.modify([](LogiKeybUIList& l) {
            auto& k = l[logitech::test::kBtKeyboard];
            k.battery = 64;
            k.backLight = 0x7F0001;
            k.backLightOptions = 2ull << 24 | 4u << 16 | 3u << 8 | 5;
        });
    }
    ~KeyboardTabTest() override { tab.reset(); }

    void open() {
        tab = std::make_unique<KeyboardTab>(nullptr);
        tab->setPalette(ui::panelPalette());
        tab->setAutoFillBackground(true);
        tab->show();
    }
    // The tab's redraw, then the layouts' requests, each of which can post its
    // parent's; the column then shows all of its content and no more.
    void settleTab() {
        for (int i = 0; i < 6; ++i) {
            turn();
            QApplication::processEvents();
        }
        QWidget* column = tab->column();
        EXPECT_EQ(column->height(), column->sizeHint().height());
        EXPECT_EQ(column->visibleRegion().boundingRect().height(), column->height());
    }
    // Wheels the column down until `w` lies whole inside its viewport.
    void scrollTo(QWidget* w) {
        QWidget* view = tab->scroll()->viewport();
        for (int i = 0; i < 50; ++i) {
            const QRect r(w->mapTo(view, QPoint()), w->size());
            if (view->rect().contains(r)) return;
            test::wheelAt(view, test::centre(view), r.top() < 0 ? 1 : -1);
            QApplication::processEvents();
        }
    }
    GeneralKeyRow* row(std::uint64_t k, std::uint64_t m) {
        for (GeneralKeyRow* r : tab->rows())
            if (r->row().slot.key == k && r->row().slot.mod == m) return r;
        return nullptr;
    }
    std::vector<Bytes> sent(std::uint8_t feature) {
        std::vector<Bytes> out;
        for (const auto& r : btKeyb.received)
            if (r[2] == feature) out.push_back(r);
        return out;
    }

    std::unique_ptr<KeyboardTab> tab;
};

TEST_F(KeyboardTabTest, PanelOnTheTabPausesOnceAndLeavingDivertsFromASnapshot) {
    engine::setTapEnabled(engine::keyTap());
    int changes = 0;
    Subscription watch = UIState::shared().keyboardTabShowing.subscribe([&](const bool&) { ++changes; });
    Options::shared().tabSelection.set(1);
    std::unique_ptr<QWidget> panel(ui::makeContentView(nullptr));
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(keyTapOn());
    EXPECT_NE(panel->findChild<KeyboardTab*>(), nullptr);

    // Choosing a profile clears the highlights before the id changes.
    recorders::KeyHighlighted::shared().h.set({kEsc, 0, false});
    std::optional<std::uint64_t> keyAtChange = 1;
    Subscription idWatch =
        UIApp::shared().id.subscribe([&](const std::string&) { keyAtChange = recorders::KeyHighlighted::shared().h.get().key; });
    selectApplication(kApp);
    EXPECT_EQ(keyAtChange, std::nullopt);

    // Leaving: the binding added afterwards is not what the keyboard is told.
    btKeyb.received.clear();
    panel.reset();
    editOpt(logitech::test::kBtKeyboard, [](LogiKeyOpt& o) { o.key[2][0] = BindAction::makeDefault(); });
    settle(1);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(keyTapOn());
    const auto diverts = sent(kControls);
    ASSERT_EQ(diverts.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const std::uint8_t cid = static_cast<std::uint8_t>(i + 1);
        EXPECT_EQ(diverts[i], longReport(0xFF, kControls, diverts[i][3], {0, cid, std::uint8_t(cid == 1 ? 3 : 2), 0, cid})) << i;
    }
}

TEST_F(KeyboardTabTest, BacklightAndFnSendOnlyTheUsersClicksInOrder) {
    open();
    LogiBlockWidget* block = tab->logiBlocks().at(0);
    EXPECT_EQ(block->effectMenu()->text(), "Breathing");
    EXPECT_EQ(block->statusLabel()->text(), "Manual brightness");
    EXPECT_EQ(block->levelSlider()->shownValue(), 3);

    // A report from the keyboard redraws and sends nothing.
    LogiKeybsUI::shared().k.modify([](LogiKeybUIList& l) { l[logitech::test::kBtKeyboard].fnInversion = true; });
    settleTab();
    settle(1);
    EXPECT_TRUE(block->fnSwitch()->isOn());
    EXPECT_TRUE(btKeyb.received.empty());
    setFnInversion(logitech::test::kBtKeyboard, false, false);
    EXPECT_TRUE(btKeyb.received.empty());

    // The user's click: the record first, then 0x40A2, then 0x40A3.
    test::clickSwitch(block->fnSwitch());
    EXPECT_FALSE(opt(logitech::test::kBtKeyboard).fnInversion);
    settle(1);
    ASSERT_GE(btKeyb.received.size(), 2u);
    EXPECT_EQ(btKeyb.received[0], longReport(0xFF, kFn, btKeyb.received[0][3], {0}));
    EXPECT_EQ(btKeyb.received[1], longReport(0xFF, kFnMultiHost, btKeyb.received[1][3], {0xFF, 0}));

    btKeyb.received.clear();
    test::clickSwitch(block->backlightSwitch());  // off
    settle(1);
    EXPECT_EQ(opt(logitech::test::kBtKeyboard).backLight, 0x7F0000u);  // the record is what is sent
    const auto light = sent(kLight);
    ASSERT_FALSE(light.empty());
    EXPECT_EQ(light[0], longReport(0xFF, kLight, light[0][3], {0, 0, 0xFF, 0, 10, 0, 10, 0, 60, 0, 10, 0}));

    // A keyboard with one level: the slider shows it full.
    LogiKeybsUI::shared().k.modify([](LogiKeybUIList& l) {
        l[logitech::test::kBtKeyboard].backLight = 0x7F0001;
        l[logitech::test::kBtKeyboard].backLightOptions = 1;
    });
    settleTab();
    EXPECT_TRUE(block->levelRow()->isVisibleTo(block));
    EXPECT_DOUBLE_EQ(block->levelSlider()->fillFraction(), 1.0);
}

TEST_F(KeyboardTabTest, SnapshotsOfTheTabsStates) {
    ShellState::shared().panelScreen = platform::Screen{platform::Rect{0, 0, 1440, 900}, "sim"};
    KeyboardService magic;
    sim->hidServices.addService(magic.properties());
    engine::startHidServiceWatch();
    KeySubOpt::shared().subGlobalEn.set(true);

    open();
    EXPECT_EQ(tab->rows().size(), 2u);
    EXPECT_FALSE(tab->appHeader()->isVisible());
    EXPECT_TRUE(snapshot(*tab, "keyboard_global_rows"));

    LogiBlockWidget* block = tab->logiBlocks().at(0);
    ASSERT_NE(block->battery(), nullptr);
    EXPECT_EQ(block->rows().size(), 1u);
    test::click(block->addButton());
    settleTab();
    EXPECT_EQ(block->rows().size(), 2u);
    EXPECT_TRUE(snapshot(*block, "keyboard_logitech_block"));

    SubBlockWidget* sub = tab->subBlocks().at(0);
    for (int i = 0; i < 2; ++i) {
        scrollTo(sub->addButton());
        ASSERT_EQ(test::hitAt(sub->addButton(), test::centre(sub->addButton())), sub->addButton());
        test::click(sub->addButton());
        settleTab();
    }
    ASSERT_EQ(sub->rows().size(), 2u);
    EXPECT_EQ(sub->rows()[1]->field(true)->text(), "Right Super");  // stored as a HID usage
    CellButton* source = sub->rows()[0]->field(true);
    scrollTo(source);
    // The first click highlights the field: its frame and label turn to the accent.
    const QString accent = accentTextColor().name(QColor::HexArgb);
    EXPECT_FALSE(source->styleSheet().contains(accent));
    test::click(source);
    settleTab();
    EXPECT_TRUE(source->styleSheet().contains(accent));
    // The target's first click highlights it and opens its menu at once.
    CellButton* target = sub->rows()[0]->field(false);
    QWidget* opened = nullptr;
    const test::WhenShown<QMenu> shut([&](QMenu* m) { (opened = m)->close(); });
    test::click(target);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shut.ran(); }, 3000));
    EXPECT_EQ(opened, target->popup());
    settleTab();
    EXPECT_TRUE(target->styleSheet().contains(accent));
    EXPECT_TRUE(snapshot(*sub, "keyboard_substitution_pairs"));
    // The switch acts on a change that comes from elsewhere too.
    sim->hidServices.writes.clear();
    KeySubOpt::shared().subGlobalEn.set(false);
    settleTab();
    ASSERT_FALSE(sim->hidServices.writes.empty());
    EXPECT_EQ(sim->hidServices.takeWrite().value, platform::HidProperty(platform::HidPropertyArray{}));

    // A key row recording: the key cell shows the keys held.
    test::click(tab->addButton());
    recorders::KeyBind::shared().raw.set(0x100000ull | 0x100);
    recorders::KeyBind::shared().modAllUp.set(false);
    settleTab();
    GeneralKeyRow* rec = row(kPlaceholderKey, 0);
    ASSERT_NE(rec, nullptr);
    EXPECT_EQ(rec->keyCell()->text(), "Super+");
    EXPECT_TRUE(snapshot(*rec, "keyboard_key_row_recording"));
    recorders::KeyBind::reset();

    selectApplication(kApp);
    settleTab();
    EXPECT_TRUE(tab->appHeader()->isVisible());
    EXPECT_TRUE(tab->logiSection()->isHidden() || !tab->logiSection()->isVisibleTo(tab.get()));
    ASSERT_NE(row(kReturn, kCmd), nullptr);
    EXPECT_TRUE(row(kReturn, kCmd)->deleteButton()->isEnabled());
    EXPECT_TRUE(snapshot(*tab, "keyboard_app_overridden_rows"));
    // With no bindings of its own every row is the global one's, undeletable,
    // also on the row widgets the global profile showed just before.
    removeAllKeyBindings();
    selectApplication("");
    settleTab();
    selectApplication(kApp);
    settleTab();
    ASSERT_FALSE(tab->rows().empty());
    for (GeneralKeyRow* r : tab->rows()) EXPECT_FALSE(r->deleteButton()->isEnabled());

    // Switched off, the whole section is covered; a long label ends in an ellipsis.
    toggleAppEnabled();
    settleTab();
    ASSERT_TRUE(tab->cover()->isVisible());
    EXPECT_EQ(tab->cover()->width(), tab->column()->width());
    chooseMenuAction(KeySlotRef::general("", kEsc, 0), ActionId::Url);
    writeUrlField(KeySlotRef::general("", kEsc, 0), UrlField::Target, "https://example.com/a/long/way");
    settleTab();
    EXPECT_TRUE(row(kEsc, 0)->actionCell()->text().endsWith(QChar(0x2026)));
}

// Substitution is set per keyboard: switched on with none found, the tab
// says so; with one, its pairs show instead.
TEST_F(KeyboardTabTest, SubstitutionWithNoKeyboardFoundSaysSo) {
    struct Case {
        const char* what;
        bool keyboard;
    };
    for (const Case& c : {Case{"no keyboard", false}, Case{"a keyboard", true}}) {
        SCOPED_TRACE(c.what);
        std::optional<KeyboardService> magic;
        if (c.keyboard) {
            magic.emplace();
            sim->hidServices.addService(magic->properties());
            engine::startHidServiceWatch();
        }
        KeySubOpt::shared().subGlobalEn.set(false);
        open();
        auto* note = tab->findChild<QLabel*>("noKeyboard");
        ASSERT_TRUE(note);
        EXPECT_FALSE(note->isVisibleTo(tab.get()));
        scrollTo(tab->substitutionSwitch());
        test::clickSwitch(tab->substitutionSwitch());
        settleTab();
        ASSERT_TRUE(KeySubOpt::shared().subGlobalEn.get());
        EXPECT_EQ(note->isVisibleTo(tab.get()), !c.keyboard);
        EXPECT_EQ(tab->subBlocks().empty(), !c.keyboard);
        if (!c.keyboard) {
            EXPECT_LE(note->heightForWidth(note->width()), note->height());
            EXPECT_TRUE(snapshot(*tab, "keyboard_substitution_no_keyboard"));
        }
        tab.reset();
    }
}

// The panel as the user sees it after each add and delete through its window:
// the column shows all of its content, nothing cut off below and no gap.
TEST_F(KeyboardTabTest, ThePanelFollowsEachAddAndDeleteInTheTab) {
    KeyboardService magic;
    sim->hidServices.addService(magic.properties());
    engine::startHidServiceWatch();
    KeySubOpt::shared().subGlobalEn.set(true);
    Options::shared().tabSelection.set(1);
    std::unique_ptr<QWidget> panel(ui::makeContentView(nullptr));
    panel->show();
    auto* keys = panel->findChild<KeyboardTab*>();
    SubBlockWidget* sub = keys->subBlocks().at(0);
    LogiBlockWidget* logi = keys->logiBlocks().at(0);
    // Each ⊕ says what it adds, to the pointer and to a screen reader.
    turn();
    QApplication::processEvents();
    for (const auto& [add, hint] : {std::pair<QWidget*, std::string>{keys->addButton(), "Add a key binding"},
                                    {sub->addButton(), "Add a key substitution"},
                                    {logi->addButton(), "Add a binding for another key of this keyboard"}}) {
        test::hover(add, test::centre(add));
        EXPECT_EQ(ui::HintWinManager::shared().currentText, hint);
        EXPECT_EQ(add->accessibleName().toStdString(), hint);
    }
    // A delete button takes two clicks.
    const std::tuple<const char*, std::function<QWidget*()>, int> steps[] = {
        {"before", [&] { return keys->addButton(); }, 0},
        {"pair_added", [&] { return sub->addButton(); }, 1},
        {"logitech_row_added", [&] { return logi->addButton(); }, 1},
        {"key_row_added", [&] { return keys->addButton(); }, 1},
        {"pair_deleted", [&] { return sub->rows().at(0)->deleteButton(); }, 2},
        {"key_row_deleted", [&] { return keys->rows().back()->deleteButton(); }, 2},
    };
    for (const auto& [change, button, clicks] : steps) {
        for (int i = 0; i < clicks; ++i) test::click(button());
        if (clicks == 1) {
            // The add button under the pointer keeps the dark ground, so its
            // light glyph stays readable.
            QWidget* add = button();
            ASSERT_TRUE(add->underMouse()) << change;
            const QImage shot = add->grab().toImage();
            int light = 0;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x)
                    if (const QColor c = shot.pixelColor(x, y); c.alpha() > 200 && c.lightness() > 200) ++light;
            EXPECT_LT(light * 3, shot.width() * shot.height()) << change;
        }
        // The redraw itself sets the final height: the panel is resized once.
        turn();
        const int redrawn = keys->scroll()->height();
        for (int i = 0; i < 8; ++i) {
            turn();
            QApplication::processEvents();
        }
        EXPECT_TRUE(snapshot(*panel, std::string("keyboard_panel_") + change));
        QWidget* column = keys->column();
        EXPECT_EQ(column->height(), column->sizeHint().height()) << change;
        EXPECT_EQ(redrawn, column->height()) << change;
        EXPECT_EQ(column->visibleRegion().boundingRect().height(), column->height()) << change;
    }
    EXPECT_EQ(std::pair(sub->rows().size(), logi->rows().size()), std::pair(std::size_t{0}, std::size_t{2}));
}

} // namespace
} // namespace corv::test
