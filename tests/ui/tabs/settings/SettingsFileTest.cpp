// The settings tab's file buttons: save, load with a restart, reset.

#include "ui/tabs/settings/SettingsFixture.h"

#include "app/AppDelegate.h"
#include "app/Relaunch.h"
#include "model/Haptic.h"
#include "model/KeySubOpt.h"
#include "model/LogiKeysOpt.h"
#include "model/Options.h"
#include "model/SettingsStore.h"
#include "model/UIState.h"
#include "platform/Localization.h"
#include "platform/PropertyList.h"
#include "ui/Dialogs.h"
#include "ui/tabs/settings/SettingsFileActions.h"

#include <plist/plist.h>

namespace corv::test {
namespace {

using namespace settings_keys;
using platform::localized;

const std::string kOut = "/home/user/out.plist";

struct Settings {
    double sclAcc;
    std::int64_t theme;
    Buzz sPara;
    bool sEnable;
    AppEntries apps;
    bool subGlobalEn;
    std::vector<LogiKeyOpt> logi;
    bool operator==(const Settings&) const = default;
};

Settings current() {
    return {Options::shared().sclAcc(), Options::shared().theme(), Haptic::shared().sPara(), Haptic::shared().sEnable(),
            Apps::shared().a(),         KeySubOpt::shared().subGlobalEn(), LogiKeysOpt::shared().k()};
}

void fill() {
    Options::shared().sclAcc.set(22);
    Options::shared().theme.set(3);
    Haptic::shared().sPara.set(Buzz{5, 4, 1.6f, 2.0f});
    Haptic::shared().sEnable.set(false);
    Apps::shared().a.modify([](AppEntries& a) {
        a[""].key[122][0] = BindAction::forAction(17);
        a["com.example.editor"].gesLock = true;
    });
    KeySubOpt::shared().subGlobalEn.set(true);
    LogiKeyOpt mx;
    mx.name = {"MX Keys", "Logitech"};
    mx.key[199][0x10] = BindAction::forAction(21);
    LogiKeysOpt::shared().k.set({mx});
}

// Each value of a libplist dictionary as its data bytes.
std::map<std::string, std::string> readWithLibplist(const Bytes& bytes) {
    ::plist_t root = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<uint32_t>(bytes.size()), &root);
    std::map<std::string, std::string> out;
    if (!root || plist_get_node_type(root) != PLIST_DICT) return out;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(root, &it);
    for (;;) {
        char* key = nullptr;
        ::plist_t value = nullptr;
        plist_dict_next_item(root, it, &key, &value);
        if (!key) break;
        char* data = nullptr;
        uint64_t length = 0;
        if (plist_get_node_type(value) == PLIST_DATA) plist_get_data_val(value, &data, &length);
        out[key] = data ? std::string(data, length) : std::string("<not data>");
        free(data);
        free(key);
    }
    free(it);
    plist_free(root);
    return out;
}

class SettingsFileTest : public SettingsTabFixture {
protected:
    SettingsFileTest() { open(); }
    void save(const std::string& path) {
        dialogs.saveAnswers.push_back(path);
        pressButton("Button save settings to file");
    }
    void load(std::optional<std::string> path) {
        dialogs.openAnswers.push_back(std::move(path));
        pressButton("Button load settings from file");
    }
    const Bytes& written(const std::string& path) { return sim->files.fileContents.at(path); }
    bool relaunched() { return !sim->processes.starts.empty() && sim->lifecycle.terminated; }
    // Every dialog was counted once, and the count is back to 0.
    void expectBalanced() {
        for (auto c : dialogs.countsSeen) EXPECT_EQ(c, 1);
        EXPECT_EQ(UIState::shared().dialogShowing.get(), 0);
    }
};

TEST_F(SettingsFileTest, SavedFileHoldsVerAndFiveBlobsAndLoadsBackInPlaceThenRelaunches) {
    fill();
    const Settings saved = current();
    save(kOut);
    ASSERT_EQ(dialogs.saves.size(), 1u);
    EXPECT_EQ(dialogs.saves[0].title, localized("Button save settings to file"));
    EXPECT_EQ(dialogs.saves[0].presetName, "qzn_cfg_261207");
    ASSERT_EQ(dialogs.saves[0].filters.size(), 1u);
    EXPECT_EQ(dialogs.saves[0].filters[0].suffixes, std::vector<std::string>{"plist"});
    const auto entries = readWithLibplist(written(kOut));
    std::vector<std::string> keys;
    for (const auto& [k, v] : entries) keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::string>{"appitems", "config", "haptic", "keyboards", "logikeys", "ver"}));
    EXPECT_EQ(entries.at("ver"), "261207");
    // Each blob is the one the user defaults keep.
    saveSettings();
    for (const char* key : {kConfig, kAppItems, kKeyboards, kLogiKeys, kHaptic}) {
        const Bytes stored = *sim->defaults.data(key);
        EXPECT_EQ(entries.at(key), std::string(stored.begin(), stored.end())) << key;
    }
    EXPECT_FALSE(relaunched());

    // Changed afterwards, then loaded: the same objects hold the saved values.
    Options* options = &Options::shared();
    Options::shared().sclAcc.set(4);
    Apps::shared().a.set({});
    Haptic::shared().sPara.set(Buzz{});
    LogiKeysOpt::shared().k.set({});
    load(kOut);
    EXPECT_EQ(current(), saved);
    EXPECT_EQ(&Options::shared(), options);
    EXPECT_EQ(tab->frictionSlider()->shownValue(), 22);  // the open tab still follows
    EXPECT_EQ(tab->singleSlider()->shownValue(), 8);
    EXPECT_EQ(dialogs.opens.at(0).presetName, "qzn_cfg");
    EXPECT_EQ(dialogs.opens.at(0).title, localized("Button load settings from file"));
    // The stored keys are gone; the termination saves what was imported.
    for (const char* key : {kVersion, kConfig, kAppItems, kKeyboards, kLogiKeys, kHaptic})
        EXPECT_FALSE(sim->defaults.contains(key)) << key;
    EXPECT_TRUE(relaunched());
    EXPECT_FALSE(UIState::shared().quitWithoutSave.get());
    expectBalanced();
}

TEST_F(SettingsFileTest, VerIsTheDigitsOfTheShortVersion) {
    const struct {
        std::optional<std::string> version;
        std::string digits;
    } table[] = {{"1.4.2", "142"}, {std::nullopt, "0"}, {"2.6.1 (beta)", "261"}, {"beta", ""}};
    for (const auto& row : table) {
        sim->bundle.version = row.version;
        save(kOut);
        EXPECT_EQ(dialogs.saves.back().presetName, "qzn_cfg_" + row.digits);
        EXPECT_EQ(readWithLibplist(written(kOut)).at("ver"), row.digits);
    }
    expectBalanced();
}

TEST_F(SettingsFileTest, WhatIsNoSettingsFileChangesNothingSilently) {
    fill();
    saveSettings();
    const auto stored = sim->defaults.values;
    const Settings before = current();
    plist::Node noVer = plist::parse(*settingsFileBytes());
    plist::dictRemove(noVer.get(), "ver");
    sim->files.fileContents["/tmp/nover.plist"] = plist::toBinary(noVer);
    sim->files.fileContents["/tmp/text.plist"] = Bytes{'h', 'i'};
    for (std::optional<std::string> path : {std::optional<std::string>("/tmp/nover.plist"),
                                            std::optional<std::string>("/tmp/text.plist"),
                                            std::optional<std::string>("/tmp/missing.plist"),
                                            std::optional<std::string>(), std::optional<std::string>("")}) {
        load(path);
        EXPECT_EQ(current(), before) << path.value_or("<cancel>");
    }
    EXPECT_EQ(sim->defaults.values, stored);
    EXPECT_FALSE(relaunched());
    EXPECT_TRUE(dialogs.alerts.empty());
    dialogs.saveAnswers.push_back(std::nullopt);
    pressButton("Button save settings to file");
    EXPECT_TRUE(sim->files.fileContents.count(kOut) == 0);
    expectBalanced();
}

TEST_F(SettingsFileTest, PartlyBadFilesLoadWhatIsGoodAndAlwaysKeepAGlobalProfile) {
    fill();
    const Settings before = current();
    plist::Node file = plist::parse(*settingsFileBytes());
    plist::dictSet(file, kConfig, plist::makeData(Bytes{'x'}));
    // Haptic from the file; an Apps blob with no global profile.
    Haptic other;
    other.sEnable.set(true);
    other.sPara.set(Buzz{5, 4, 0.4f, 2.0f});
    plist::KeyedEncoder he;
    other.encode(he);
    plist::dictSet(file, kHaptic, plist::makeData(plist::toBinary(he.take())));
    Apps appsOnly;
    appsOnly.a.set({{"com.example.editor", AnApp{}}});
    plist::KeyedEncoder ae;
    appsOnly.encode(ae);
    plist::dictSet(file, kAppItems, plist::makeData(plist::toBinary(ae.take())));
    plist::dictRemove(file.get(), kLogiKeys);
    sim->files.fileContents["/tmp/part.plist"] = plist::toBinary(file);

    load("/tmp/part.plist");
    EXPECT_EQ(Options::shared().sclAcc.get(), before.sclAcc);
    EXPECT_EQ(LogiKeysOpt::shared().k.get(), before.logi);
    EXPECT_TRUE(Haptic::shared().sEnable.get());
    EXPECT_EQ(tab->singleSlider()->shownValue(), 2);
    ASSERT_EQ(Apps::shared().a.get().size(), 2u);
    EXPECT_EQ(Apps::shared().a.get().at(""), AnApp::makeGlobalDefault(sim->files.cwd));
    EXPECT_TRUE(relaunched());
    expectBalanced();
}

TEST_F(SettingsFileTest, ResetAsksThenRemovesOnlyVersionAndRelaunchesWithoutSaving) {
    fill();
    saveSettings();
    const int syncs = sim->defaults.syncCount;
    dialogs.alertAnswers = {1, -1};
    pressButton("Setting tab reset");
    pressButton("Setting tab reset");
    ASSERT_EQ(dialogs.alerts.size(), 2u);
    EXPECT_EQ(dialogs.alerts[0].message, localized("Setting tab wipe out all alert title"));
    EXPECT_EQ(dialogs.alerts[0].informative, localized("Setting tab wipe out all alert message"));
    EXPECT_EQ(dialogs.alerts[0].buttons, (std::vector<std::string>{localized("Button yes"), localized("Button cancel")}));
    EXPECT_TRUE(sim->defaults.contains(kVersion));
    EXPECT_FALSE(relaunched());

    dialogs.alertAnswers = {0};
    pressButton("Setting tab reset");
    EXPECT_FALSE(sim->defaults.contains(kVersion));
    for (const char* key : {kConfig, kAppItems, kKeyboards, kLogiKeys, kHaptic}) EXPECT_TRUE(sim->defaults.contains(key));
    // Written at once: the termination does not save.
    EXPECT_EQ(sim->defaults.syncCount, syncs + 1);
    EXPECT_TRUE(UIState::shared().quitWithoutSave.get());
    EXPECT_TRUE(relaunched());
    expectBalanced();
}

TEST_F(SettingsFileTest, ExportFailureShowsTheSaveFailAlertAndWritesNothing) {
    // An unsigned value past what the stored form holds cannot be encoded.
    Apps::shared().a.modify([](AppEntries& apps) { apps[""].key[1][0].hotkeyMod = ~0ull; });
    save(kOut);
    EXPECT_EQ(sim->files.fileContents.count(kOut), 0u);
    ASSERT_EQ(dialogs.alerts.size(), 1u);
    EXPECT_EQ(dialogs.alerts[0].message, "Corvadine");
    EXPECT_EQ(dialogs.alerts[0].informative, localized("Message save fail"));
    EXPECT_EQ(dialogs.alerts[0].buttons, std::vector<std::string>{localized("Button ok")});
    EXPECT_EQ(dialogs.countsSeen, (std::vector<std::int64_t>{1, 1}));
    expectBalanced();
}

TEST_F(SettingsFileTest, OneDialogAtATimeAndTheCountNeverGoesBelowZero) {
    // A press of save or load while the open panel shows does nothing.
    dialogs.during = [&] {
        pressButton("Button save settings to file");
        pressButton("Button load settings from file");
        pressButton("Setting tab reset");
    };
    load(std::nullopt);
    EXPECT_EQ(dialogs.opens.size(), 1u);
    EXPECT_TRUE(dialogs.saves.empty());
    EXPECT_TRUE(dialogs.alerts.empty());
    expectBalanced();
    // The count is restored when the action throws, and never drops below 0.
    EXPECT_THROW(ui::runIfNoDialog([] { throw std::runtime_error("x"); }), std::runtime_error);
    EXPECT_EQ(UIState::shared().dialogShowing.get(), 0);
    UIState::shared().closeDialog();
    EXPECT_EQ(UIState::shared().dialogShowing.get(), 0);
}

TEST_F(SettingsFileTest, TheRestartNeverImportsTheLaunchFileAgain) {
    fill();
    sim->files.fileContents["/tmp/start.plist"] = *settingsFileBytes();
    sim->files.fileContents[kOut] = *settingsFileBytes();
    sim->bundle.args = {sim->bundle.bundlePath, "/tmp/start.plist"};
    app::AppDelegate::shared().settingsLoad = loadSettings();
    ASSERT_EQ(app::AppDelegate::shared().settingsLoad.importedArgument, std::optional<std::size_t>(1));
    const sim::SimProcesses::Start fresh{"/bin/sh", {"-c", app::kRelaunchScript, sim->bundle.bundlePath}, true};

    load(kOut);
    ASSERT_TRUE(relaunched());
    EXPECT_EQ(sim->processes.takeStart(), fresh);

    sim->lifecycle.terminated = false;
    dialogs.alertAnswers = {0};
    pressButton("Setting tab reset");
    EXPECT_EQ(sim->processes.takeStart(), fresh);
}

} // namespace
} // namespace corv::test
