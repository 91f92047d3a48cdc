// The settings tab's file buttons: save, load with a restart, reset.

#include "ui/tabs/settings/SettingsFixture.h"

#include "app/AppDelegate.h"
#include "app/Relaunch.h"
#include "model/Haptic.h"
#include "model/KeySubOpt.h"
#include "model/LogiKeysOpt.h"
#include "model/Options.h"
#include "model/SettingsStore.h"
#include "model/Shared.h"
#include "model/UIState.h"
#include "platform/Libplist.h"
#include "platform/Localization.h"
#include "platform/PropertyList.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <set>

namespace corv::test {
namespace {

using namespace settings_keys;
using platform::localized;

const std::string kOut = "/home/user/out.plist";
const char* const kBlobs[] = {kConfig, kAppItems, kKeyboards, kLogiKeys, kHaptic};

auto current() {
    return std::tuple(Options::shared().sclAcc(), Options::shared().theme(), Haptic::shared().sPara(),
                      Apps::shared().a(), KeySubOpt::shared().subGlobalEn(), LogiKeysOpt::shared().k());
}

void fill() {
    Options::shared().sclAcc.set(22);
    Options::shared().theme.set(3);
    Haptic::shared().sPara.set(Buzz{5, 4, 1.6f, 2.0f});
    Apps::shared().a.modify([](AppEntries& a) { a["com.example.editor"].gesLock = true; });
    KeySubOpt::shared().subGlobalEn.set(true);
    LogiKeyOpt mx;
    mx.key[199][0x10] = BindAction::forAction(21);
    LogiKeysOpt::shared().k.set({mx});
}

template <class T>
Bytes blobOf(const T& object) {
    plist::KeyedEncoder e;
    object.encode(e);
    return plist::toBinary(e.take());
}

// The file's entries as read by libplist: key -> data bytes.
std::map<std::string, std::string> readWithLibplist(const Bytes& bytes) {
    ::plist_t root = libplist::fromMemory(reinterpret_cast<const char*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
    std::map<std::string, std::string> out;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(root, &it);
    for (char* key = nullptr;; free(key), key = nullptr) {
        ::plist_t value = nullptr;
        plist_dict_next_item(root, it, &key, &value);
        if (!key) break;
        char* data = nullptr;
        uint64_t length = 0;
        if (plist_get_node_type(value) == PLIST_DATA) plist_get_data_val(value, &data, &length);
        out[key] = data ? std::string(data, length) : "<not data>";
        free(data);
    }
    free(it);
    plist_free(root);
    return out;
}

class SettingsFileTest : public SettingsTabFixture {
protected:
    SettingsFileTest() { open(); }
    void save(std::optional<std::string> path) {
        dialogs.saveAnswers.push_back(std::move(path));
        pressButton("Button save settings to file");
    }
    void load(std::optional<std::string> path) {
        dialogs.openAnswers.push_back(std::move(path));
        pressButton("Button load settings from file");
    }
    bool relaunched() { return !sim->processes.starts.empty() && sim->lifecycle.terminated; }
    // Every dialog was counted once, and the count is back to 0.
    void expectBalanced() {
        for (auto c : dialogs.countsSeen) EXPECT_EQ(c, 1);
        EXPECT_EQ(UIState::shared().dialogShowing.get(), 0);
    }
};

TEST_F(SettingsFileTest, SavedFileRoundTripsThroughLibplistIntoTheSameObjectsThenRelaunches) {
    fill();
    const auto saved = current();
    save(kOut);
    EXPECT_EQ(std::tuple(dialogs.saves[0].title, dialogs.saves[0].presetName, dialogs.saves[0].filters[0].suffixes),
              std::tuple(localized("Button save settings to file"), "qzn_cfg_261207", std::vector<std::string>{"plist"}));
    const auto entries = readWithLibplist(sim->files.fileContents.at(kOut));
    EXPECT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries.at("ver"), "261207");
    saveSettings();
    for (const char* key : kBlobs) {
        const Bytes stored = *sim->defaults.data(key);  // the blobs the user defaults keep
        EXPECT_EQ(entries.at(key), std::string(stored.begin(), stored.end())) << key;
    }
    EXPECT_FALSE(relaunched());

    Options* options = &Options::shared();
    Options::shared().sclAcc.set(4);
    Apps::shared().a.set({});
    Haptic::shared().sPara.set(Buzz{});
    LogiKeysOpt::shared().k.set({});
    load(kOut);
    EXPECT_EQ(current(), saved);
    EXPECT_EQ(&Options::shared(), options);
    // The open tab still follows the objects.
    EXPECT_EQ(std::pair(tab->frictionSlider()->shownValue(), tab->singleSlider()->shownValue()), std::pair(22l, 8l));
    EXPECT_EQ(std::pair(dialogs.opens[0].title, dialogs.opens[0].presetName),
              std::pair(localized("Button load settings from file"), std::string("qzn_cfg")));
    // The stored keys are gone; the termination saves what was imported.
    for (const char* key : kBlobs) EXPECT_FALSE(sim->defaults.contains(key)) << key;
    EXPECT_FALSE(sim->defaults.contains(kVersion));
    EXPECT_TRUE(relaunched());
    EXPECT_FALSE(UIState::shared().quitWithoutSave.get());
    expectBalanced();

    // "ver" and the proposed name are the short version's digits.
    const std::pair<std::optional<std::string>, std::string> versions[] = {
        {"1.4.2", "142"}, {std::nullopt, "0"}, {"2.6.1 (beta)", "261"}, {"beta", ""}};
    for (const auto& [version, digits] : versions) {
        sim->bundle.version = version;
        save(kOut);
        EXPECT_EQ(dialogs.saves.back().presetName, "qzn_cfg_" + digits);
        EXPECT_EQ(readWithLibplist(sim->files.fileContents.at(kOut)).at("ver"), digits);
    }
}

TEST_F(SettingsFileTest, WhatIsNoSettingsFileChangesNothingAndPartlyBadFilesLoadWhatIsGood) {
    fill();
    saveSettings();
    const auto stored = sim->defaults.values;
    const auto before = current();
    plist::Node noVer = plist::parse(*settingsFileBytes());
    plist::dictRemove(noVer.get(), "ver");
    sim->files.fileContents["/tmp/nover.plist"] = plist::toBinary(noVer);
    sim->files.fileContents["/tmp/text.plist"] = Bytes{'h', 'i'};
    for (const char* path : {"/tmp/nover.plist", "/tmp/text.plist", "/tmp/missing.plist", ""}) load(path);
    load(std::nullopt);
    save(std::nullopt);
    EXPECT_EQ(current(), before);
    EXPECT_EQ(sim->defaults.values, stored);
    EXPECT_EQ(sim->files.fileContents.count(kOut), 0u);
    EXPECT_FALSE(relaunched());
    EXPECT_TRUE(dialogs.alerts.empty());

    // Bad config, other haptics, an Apps without a global profile, no logikeys.
    plist::Node file = plist::parse(*settingsFileBytes());
    plist::dictSet(file, kConfig, plist::makeData(Bytes{'x'}));
    Haptic other;
    other.sPara.set(Buzz{5, 4, 0.4f, 2.0f});
    plist::dictSet(file, kHaptic, plist::makeData(blobOf(other)));
    Apps appsOnly;
    appsOnly.a.set({{"com.example.editor", AnApp{}}});
    plist::dictSet(file, kAppItems, plist::makeData(blobOf(appsOnly)));
    plist::dictRemove(file.get(), kLogiKeys);
    sim->files.fileContents["/tmp/part.plist"] = plist::toBinary(file);
    load("/tmp/part.plist");
    EXPECT_EQ(Options::shared().sclAcc.get(), 22);
    EXPECT_EQ(LogiKeysOpt::shared().k.get(), std::get<5>(before));
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
    EXPECT_EQ(std::tuple(dialogs.alerts[0].message, dialogs.alerts[0].informative, dialogs.alerts[0].buttons),
              std::tuple(localized("Setting tab wipe out all alert title"), localized("Setting tab wipe out all alert message"),
                         std::vector<std::string>{localized("Button yes"), localized("Button cancel")}));
    EXPECT_TRUE(sim->defaults.contains(kVersion));
    EXPECT_FALSE(relaunched());

    dialogs.alertAnswers = {0};
    pressButton("Setting tab reset");
    EXPECT_FALSE(sim->defaults.contains(kVersion));
    for (const char* key : kBlobs) EXPECT_TRUE(sim->defaults.contains(key)) << key;
    EXPECT_EQ(sim->defaults.syncCount, syncs + 1);  // written now: the termination does not save
    EXPECT_TRUE(UIState::shared().quitWithoutSave.get());
    EXPECT_TRUE(relaunched());
    expectBalanced();
}

TEST_F(SettingsFileTest, ExportFailureAlertsAndOneDialogAtATimeWithTheCountNeverBelowZero) {
    // An unsigned value past what the stored form holds cannot be encoded.
    Apps::shared().a.modify([](AppEntries& apps) { apps[""].key[1][0].hotkeyMod = ~0ull; });
    save(kOut);
    EXPECT_EQ(sim->files.fileContents.count(kOut), 0u);
    EXPECT_EQ(std::tuple(dialogs.alerts.at(0).message, dialogs.alerts[0].informative, dialogs.alerts[0].buttons),
              std::tuple(std::string("Corvadine"), localized("Message save fail"), std::vector<std::string>{localized("Button ok")}));
    EXPECT_EQ(dialogs.countsSeen, (std::vector<std::int64_t>{1, 1}));
    expectBalanced();

    // Presses while the open panel shows do nothing.
    dialogs.during = [&] {
        for (const char* b : {"Button save settings to file", "Button load settings from file", "Setting tab reset"}) pressButton(b);
    };
    load(std::nullopt);
    EXPECT_EQ(std::tuple(dialogs.opens.size(), dialogs.saves.size(), dialogs.alerts.size()), std::tuple(1u, 1u, 1u));
    expectBalanced();
    EXPECT_THROW(ui::runIfNoDialog([] { throw std::runtime_error("x"); }), std::runtime_error);
    EXPECT_EQ(UIState::shared().dialogShowing.get(), 0);
    UIState::shared().closeDialog();
    EXPECT_EQ(UIState::shared().dialogShowing.get(), 0);
}

TEST_F(SettingsFileTest, TheRestartedCopyComesBackAsLoadedOrResetNeverWithAFileOfTheFirstCommandLine) {
    const auto defaults = current();
    Options::shared().sclAcc.set(7);
    sim->files.fileContents["/tmp/start.plist"] = sim->files.fileContents["/tmp/later.plist"] = *settingsFileBytes();
    fill();
    const auto filled = current();
    save(kOut);
    // Launched with a settings file and another one after it.
    auto launch = [&] {
        auto& delegate = app::AppDelegate::shared();
        delegate.settingsLoad = loadSettings();
        delegate.launched = true;
    };
    sim->bundle.args = {sim->bundle.bundlePath, "/tmp/start.plist", "/tmp/later.plist"};
    launch();
    ASSERT_EQ(Options::shared().sclAcc.get(), 7);
    // The copy the relaunch starts: a fresh process given the shell's arguments.
    auto relaunchedCopy = [&] {
        const auto start = sim->processes.takeStart();
        ASSERT_EQ(std::pair(start.path, start.arguments.at(1)),
                  std::pair(std::string("/bin/sh"), std::string(app::kRelaunchScript)));
        tab.reset();
        resetShared();
        sim->lifecycle.terminated = false;
        sim->bundle.args.assign(start.arguments.begin() + 2, start.arguments.end());
        launch();
        open();
    };
    load(kOut);
    relaunchedCopy();
    EXPECT_EQ(sim->bundle.args, std::vector<std::string>{sim->bundle.bundlePath});
    EXPECT_EQ(current(), filled);
    dialogs.alertAnswers = {0};
    pressButton("Setting tab reset");
    relaunchedCopy();
    EXPECT_EQ(current(), defaults);
}

TEST_F(SettingsFileTest, TheQtPanelsOfferPropertyListsUnderTheProposedNameAndTheResetAlertCancels) {
    QTemporaryDir dir;
    ui::setDialogs(nullptr);
    std::vector<std::string> seen;
    // Answers the Qt dialog up now: notes what it shows, then chooses.
    // Answers the next modal dialog once it shows (looked for every 10 ms).
    std::function<void(std::function<void(QWidget*)>, int)> answerWithin;
    answerWithin = [&](std::function<void(QWidget*)> choose, int tries) {
        QTimer::singleShot(10, [&seen, &answerWithin, choose, tries] {
            QWidget* modal = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && qobject_cast<QDialog*>(w)) modal = w;
            if (!modal && tries > 0) {
                answerWithin(choose, tries - 1);
                return;
            }
            if (auto* d = qobject_cast<QFileDialog*>(modal)) {
                for (const QString& text : {d->windowTitle(), d->nameFilters().join(';'),
                                            QFileInfo(d->selectedFiles().value(0)).fileName()})
                    seen.push_back(text.toStdString());
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                seen = {box->text().toStdString(), box->informativeText().toStdString()};
                for (QAbstractButton* b : box->buttons()) seen.push_back(b->text().toStdString());
            }
            if (modal) choose(modal);
        });
    };
    auto answer = [&](std::function<void(QWidget*)> choose) { answerWithin(std::move(choose), 500); };
    answer([&](QWidget* d) {
        static_cast<QFileDialog*>(d)->setDirectory(dir.path());
        for (QDialogButtonBox* box : d->findChildren<QDialogButtonBox*>())
            for (QAbstractButton* b : box->buttons())
                if (box->buttonRole(b) == QDialogButtonBox::AcceptRole) test::click(b);
    });
    pressButton("Button save settings to file");
    // The name is proposed with the filter's suffix.
    EXPECT_EQ(seen, (std::vector<std::string>{localized("Button save settings to file"), "Property list (*.plist)",
                                              "qzn_cfg_261207.plist"}));
    EXPECT_TRUE(sim->files.fileContents.count(dir.filePath("qzn_cfg_261207.plist").toStdString()));

    answer([&](QWidget* box) {
        for (QAbstractButton* b : static_cast<QMessageBox*>(box)->buttons())
            if (b->text().toStdString() == localized("Button cancel")) test::click(b);
    });
    pressButton("Setting tab reset");
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[1], localized("Setting tab wipe out all alert message"));
    EXPECT_EQ(std::set(seen.begin() + 2, seen.end()), (std::set{localized("Button yes"), localized("Button cancel")}));
    EXPECT_FALSE(relaunched());
    ui::setDialogs(&dialogs);
}

} // namespace
} // namespace corv::test
