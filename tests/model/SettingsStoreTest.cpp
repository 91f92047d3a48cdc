#include "model/Apps.h"
#include "model/Haptic.h"
#include "model/KeySubOpt.h"
#include "model/LogiKeysOpt.h"
#include "model/Options.h"
#include "model/SettingsStore.h"
#include "support/Fixtures.h"
#include "support/SimFixture.h"

#include <gtest/gtest.h>
#include <algorithm>

using namespace corv;
using namespace corv::settings_keys;
using corv::test::readTestFile;

namespace {

BindAction hotkey(std::uint64_t mod, std::uint16_t key) {
    BindAction b;
    b.isHotkey = true;
    b.hotkeyMod = mod;
    b.hotkeyKey = key;
    return b;
}

// A settings set with something in every object.
void fillSettings() {
    Options::shared().sclAcc.set(3.25);
    Options::shared().theme.set(2);
    Haptic::shared().sEnable.set(false);
    Apps::shared().a.modify([](AppEntries& apps) {
        AnApp global = AnApp::makeGlobalDefault("/home/user");
        global.ges[2][ActGes::Swipe][0][ActDir::Left] = hotkey(0x100100, 33);
        global.key[122][0] = BindAction::forAction(17);
        apps[""] = global;
        AnApp editor;
        editor.url = Url("file:///Applications/Editor.app/");
        editor.ges[3][ActGes::Rotate][0x10][ActDir::CW] = BindAction::forAction(28);
        editor.ges[3][ActGes::Rotate][0x10][ActDir::CCW] = BindAction::forAction(29);
        editor.key[0][0x12] = hotkey(0x120100, 1);
        editor.gesLock = true;
        apps["com.example.editor"] = editor;
    });
    KeySub ks;
    ks.name = {"Magic Keyboard", "Apple Inc."};
    ks.reportDescSum = 4242;
    ks.subItemsSrc = {0x7000000E3};
    ks.subItemsDst = {0x7000000E2};
    ks.subBidir = {true};
    ks.rebuildOccupiedKeys();
    KeySubOpt::shared().keySub.set({ks});
    LogiKeyOpt mx;
    mx.name = {"MX Keys", "Logitech"};
    mx.platformList = {{1, 2, 0x14}};
    mx.id1b04List = {{199, 3}, {200, 1}};
    mx.featureMap = {{0, 1}, {17, 12}};
    mx.key[199][0x10] = BindAction::forAction(21);
    LogiKeysOpt::shared().k.set({mx});
}

struct Snapshot {
    double sclAcc;
    bool sEnable;
    AppEntries apps;
    std::vector<KeySub> keySub;
    std::vector<LogiKeyOpt> logi;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot() {
    return {Options::shared().sclAcc(), Haptic::shared().sEnable(), Apps::shared().a(), KeySubOpt::shared().keySub(),
            LogiKeysOpt::shared().k()};
}

class SettingsStore : public corv::test::SimTest {
protected:
    void addFile(const std::string& path, const Bytes& bytes) { sim->files.fileContents[path] = bytes; }
    void setArgs(std::vector<std::string> extra) {
        sim->bundle.args = {sim->bundle.bundlePath};
        sim->bundle.args.insert(sim->bundle.args.end(), extra.begin(), extra.end());
    }
};

} // namespace

TEST_F(SettingsStore, AFullSetRoundTripsThroughTheUserDefaults) {
    fillSettings();
    const Snapshot before = snapshot();
    saveSettings();
    EXPECT_EQ(sim->defaults.integer(kVersion), 261207);
    EXPECT_EQ(sim->defaults.syncCount, 1);

    resetShared();
    loadSettings();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(Options::shared().theme(), 2);
}

TEST_F(SettingsStore, OldOrMissingVersionDiscardsTheBlobs) {
    fillSettings();
    saveSettings();
    for (auto version : {std::optional<std::int64_t>(260112), std::optional<std::int64_t>()}) {
        saveSettings();
        if (version) {
            sim->defaults.setInteger(kVersion, *version);
        } else {
            sim->defaults.remove(kVersion);
        }
        resetShared();
        loadSettings();
        for (const char* key : {kConfig, kAppItems, kKeyboards, kLogiKeys, kHaptic})
            EXPECT_FALSE(sim->defaults.contains(key)) << key;
        EXPECT_EQ(sim->defaults.integer(kVersion), version);
        ASSERT_EQ(Apps::shared().a().size(), 1u);
        EXPECT_EQ(Apps::shared().a().at(""), AnApp::makeGlobalDefault(sim->files.cwd));
        EXPECT_EQ(Options::shared().sclAcc(), 15.0);
    }
    // A version stored as text counts as missing.
    fillSettings();
    saveSettings();
    sim->defaults.set(kVersion, std::string("261207"));
    resetShared();
    loadSettings();
    EXPECT_FALSE(sim->defaults.contains(kAppItems));
}

TEST_F(SettingsStore, MissingOrBadAppItemsGiveTheDefaultGlobalEntry) {
    fillSettings();
    saveSettings();
    sim->defaults.remove(kAppItems);
    resetShared();
    loadSettings();
    ASSERT_EQ(Apps::shared().a().size(), 1u);
    EXPECT_EQ(Apps::shared().a().count(""), 1u);
    EXPECT_EQ(Haptic::shared().sEnable(), false);  // the others still load

    sim->defaults.setData(kAppItems, Bytes{'b', 'a', 'd'});
    resetShared();
    loadSettings();
    EXPECT_EQ(Apps::shared().a().count(""), 1u);

    // A good blob without a global entry is taken as it is.
    AnApp editor;
    editor.url = Url("file:///Applications/Editor.app/");
    Apps::shared().a.set({{"com.example.editor", editor}});
    saveSettings();
    resetShared();
    loadSettings();
    ASSERT_EQ(Apps::shared().a().size(), 1u);
    EXPECT_EQ(Apps::shared().a().at("com.example.editor"), editor);
}

TEST_F(SettingsStore, ACorruptBlobLeavesOnlyItsObjectAtItsDefaults) {
    fillSettings();
    saveSettings();
    sim->defaults.setData(kConfig, Bytes{0, 1, 2});
    const Snapshot before = snapshot();
    resetShared();
    loadSettings();
    EXPECT_EQ(Options::shared().sclAcc(), 15.0);
    EXPECT_EQ(Apps::shared().a(), before.apps);
    EXPECT_EQ(LogiKeysOpt::shared().k(), before.logi);
}

TEST_F(SettingsStore, ABlobThatFailsToEncodeKeepsItsStoredBytes) {
    fillSettings();
    saveSettings();
    const Bytes stored = *sim->defaults.data(kAppItems);
    // An unsigned value past what the stored form holds cannot be encoded.
    Apps::shared().a.modify([](AppEntries& apps) { apps[""].key[1][0] = hotkey(~0ull, 1); });
    Haptic::shared().sEnable.set(true);
    saveSettings();
    EXPECT_EQ(sim->defaults.data(kAppItems), stored);
    auto haptic = plist::parse(*sim->defaults.data(kHaptic));
    EXPECT_TRUE(plist::readBool(plist::dictItem(haptic.get(), "sEnable")));
    EXPECT_FALSE(settingsFileBytes());
}

TEST_F(SettingsStore, ResetRemovesEveryKeyButKeepsTheObjects) {
    fillSettings();
    saveSettings();
    resetSettings();
    EXPECT_TRUE(sim->defaults.values.empty());
    EXPECT_EQ(Haptic::shared().sEnable(), false);
}

TEST_F(SettingsStore, TheCommandLineFileIsImportedInsteadOfTheDefaults) {
    fillSettings();
    const Snapshot fromFile = snapshot();
    addFile("/tmp/qzn_cfg_261207", *settingsFileBytes());
    resetShared();
    sim->defaults.setInteger(kVersion, 261207);
    sim->defaults.setData(kConfig, Bytes{1});
    setArgs({"--nothing-here", "/tmp/qzn_cfg_261207"});
    loadSettings();
    EXPECT_EQ(snapshot(), fromFile);
    // The user defaults were not read: the corrupt blob is still there.
    EXPECT_EQ(sim->defaults.data(kConfig), Bytes{1});
}

TEST_F(SettingsStore, OnlyTheFirstExistingArgumentIsTried) {
    fillSettings();
    addFile("/tmp/good", *settingsFileBytes());
    saveSettings();
    Apps::shared().a.set({});
    saveSettings();  // the defaults now hold no applications
    resetShared();
    sim->files.directories.push_back("/tmp/dir");
    setArgs({"/tmp/dir", "/tmp/good"});
    loadSettings();
    EXPECT_TRUE(Apps::shared().a().empty());
}

TEST_F(SettingsStore, AFileHoldingOnlyVerImportsNothing) {
    plist::Node root = plist::newDict();
    plist::dictSet(root, kFileVersion, plist::makeData(Bytes{'2', '6', '1'}));
    addFile("/tmp/ver-only", plist::toBinary(root));
    setArgs({"/tmp/ver-only"});
    sim->defaults.setInteger(kVersion, 261207);
    loadSettings();
    EXPECT_TRUE(Apps::shared().a().empty());
    EXPECT_EQ(Options::shared().sclAcc(), 15.0);
}

TEST_F(SettingsStore, FilesWithoutVerOrWithAStringVerAreRefused) {
    fillSettings();
    plist::Node file = plist::parse(*settingsFileBytes());
    resetShared();

    plist::Node noVer = plist::parse(plist::toBinary(file));
    plist::dictRemove(noVer.get(), "ver");
    EXPECT_FALSE(importSettingsBlob(plist::toBinary(noVer)));
    EXPECT_TRUE(Apps::shared().a().empty());

    // Every value of a settings file is data; a textual "ver" makes it no settings file.
    plist::Node textVer = plist::parse(plist::toBinary(file));
    plist::dictSet(textVer, "ver", plist::makeString("261207"));
    EXPECT_FALSE(importSettingsBlob(plist::toBinary(textVer)));
    EXPECT_TRUE(Apps::shared().a().empty());

    EXPECT_FALSE(importSettingsBlob(Bytes{'n', 'o'}));
    EXPECT_FALSE(importSettingsBlob(plist::toBinary(plist::newDict())));
}

TEST_F(SettingsStore, PartlyBadFilesImportWhatDecodes) {
    plist::Node root = plist::newDict();
    plist::dictSet(root, kFileVersion, plist::makeData(Bytes{'1'}));
    plist::dictSet(root, kConfig, plist::makeData(Bytes{'x'}));
    plist::dictSet(root, kAppItems, plist::makeData(plist::toBinary(plist::parse(readTestFile("model/fixtures/appitems.xml")))));
    plist::dictSet(root, kLogiKeys, plist::makeData(readTestFile("model/fixtures/logikeys.xml")));
    plist::dictSet(root, kHaptic, plist::makeData(readTestFile("model/fixtures/haptic.xml")));
    ASSERT_TRUE(importSettingsBlob(plist::toBinary(root)));
    EXPECT_EQ(Options::shared().sclAcc(), 15.0);
    EXPECT_EQ(Apps::shared().a().size(), 2u);
    EXPECT_EQ(LogiKeysOpt::shared().k().size(), 1u);
    EXPECT_FALSE(Haptic::shared().mEnable());
    EXPECT_TRUE(KeySubOpt::shared().keySub().empty());
}

TEST(SettingsVersion, DigitsReadAsOneNumber) {
    EXPECT_EQ(versionNumberOf("2.6.1"), 261);
    EXPECT_EQ(versionNumberOf("26.12.07"), 261207);
    EXPECT_EQ(versionNumberOf("beta"), 0);
    EXPECT_EQ(versionNumberOf(""), 0);
    EXPECT_EQ(versionNumberOf("1.2\u00B3"), 0);  // a superscript digit is numeric but not 0-9
    EXPECT_EQ(versionNumberOf("99999999999999999999"), 0);
    EXPECT_EQ(versionDigitsOf("26.12.07 (b)"), "261207");
}

TEST_F(SettingsStore, StoredSettingsThatWereNotLoadedAreCopiedBeforeTheNextSave) {
    fillSettings();
    saveSettings();
    const auto stored = sim->defaults.values;

    // A clean load replaces nothing it did not read.
    resetShared();
    loadSettings();
    saveSettings();
    EXPECT_TRUE(sim->defaults.copies.empty());

    // The version rule, a blob that fails to decode, a command-line import.
    sim->defaults.setInteger(kVersion, 1);
    const auto old = sim->defaults.values;
    resetShared();
    loadSettings();
    saveSettings();
    ASSERT_EQ(sim->defaults.copies.size(), 1u);
    EXPECT_EQ(sim->defaults.copies[0], old);

    sim->defaults.values = stored;
    sim->defaults.setData(kHaptic, Bytes{'x'});
    const auto corrupt = sim->defaults.values;
    resetShared();
    loadSettings();
    saveSettings();
    ASSERT_EQ(sim->defaults.copies.size(), 2u);
    EXPECT_EQ(sim->defaults.copies[1], corrupt);

    fillSettings();
    addFile("/tmp/qzn_cfg", *settingsFileBytes());
    const auto beforeImport = sim->defaults.values;
    setArgs({"/tmp/missing", "/tmp/qzn_cfg"});
    resetShared();
    const SettingsLoad load = loadSettings();
    EXPECT_FALSE(load.notImported || load.missing);
    EXPECT_EQ(load.importedArgument, 2u);
    saveSettings();
    ASSERT_EQ(sim->defaults.copies.size(), 3u);
    EXPECT_EQ(sim->defaults.copies[2], beforeImport);
}

TEST_F(SettingsStore, AFileThatIsNotImportedIsNamedAndTheStoredSettingsLoad) {
    fillSettings();
    saveSettings();
    const Snapshot stored = snapshot();
    addFile("/tmp/notes.txt", Bytes{'h', 'i'});
    setArgs({"/tmp/missing", "/tmp/notes.txt"});
    resetShared();
    EXPECT_EQ(loadSettings().notImported, "/tmp/notes.txt");
    EXPECT_EQ(snapshot(), stored);
    EXPECT_EQ(notImportedMessage("/tmp/notes.txt"),
              "corvadine: /tmp/notes.txt was not imported as a settings file; the stored settings are used.");
    EXPECT_TRUE(sim->defaults.copies.empty());

    // No argument names a file: the first is named as missing.
    setArgs({"/tmp/missing", "/tmp/gone"});
    resetShared();
    const SettingsLoad none = loadSettings();
    EXPECT_EQ(none.missing, "/tmp/missing");
    EXPECT_FALSE(none.notImported || none.importedArgument);
    EXPECT_EQ(snapshot(), stored);
    EXPECT_EQ(missingFileMessage("/tmp/missing"), "corvadine: /tmp/missing does not exist; the stored settings are used.");
}

// An application id that is not clean UTF-8 fails the Apps blob alone; a
// keyboard entry with one fails only that entry.
TEST_F(SettingsStore, BrokenTextFailsAtItsValue) {
    fillSettings();
    Apps::shared().a.modify([](AppEntries& apps) { apps["com.example.QQ"] = AnApp{}; });
    const Bytes file = *settingsFileBytes();
    for (const std::string& bad : {std::string("\xE0\x80"), std::string("\xFF\xFF")}) {
        Bytes poisoned = file;
        const std::string from = "com.example.QQ";
        auto at = std::search(poisoned.begin(), poisoned.end(), from.begin(), from.end());
        ASSERT_NE(at, poisoned.end());
        std::copy(bad.begin(), bad.end(), at + 12);
        resetShared();
        ASSERT_TRUE(importSettingsBlob(poisoned));
        EXPECT_TRUE(Apps::shared().a().empty());
        EXPECT_EQ(Options::shared().sclAcc(), 3.25);
        EXPECT_EQ(LogiKeysOpt::shared().k().size(), 1u);
    }

    // A Logitech keyboard named in broken text is dropped; the others stay.
    resetShared();
    fillSettings();
    LogiKeysOpt::shared().k.modify([](std::vector<LogiKeyOpt>& k) {
        k.push_back(k[0]);
        k[1].name = {"MX QQ", "Logitech"};
    });
    plist::Node root = plist::parse(*settingsFileBytes());
    std::string xml = plist::toXml(plist::parse(plist::readData(plist::dictItem(root.get(), kLogiKeys))));
    xml.replace(xml.find("MX QQ"), 5, "MX \xC3\x28 ");
    plist::dictSet(root, kLogiKeys, plist::makeData(Bytes(xml.begin(), xml.end())));
    resetShared();
    ASSERT_TRUE(importSettingsBlob(plist::toBinary(root)));
    ASSERT_EQ(LogiKeysOpt::shared().k().size(), 1u);
    EXPECT_EQ(LogiKeysOpt::shared().k()[0].name.product, "MX Keys");
}
