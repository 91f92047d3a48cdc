#include "model/InstalledAppScan.h"
#include "platform/desktop/apps/DesktopAppFolders.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <QString>
#include <QTemporaryDir>

#include <algorithm>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <tuple>

#include <unistd.h>

namespace corv::test {
namespace {

namespace fs = std::filesystem;

void write(const fs::path& p, const std::string& text) {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text;
}

// A bundle folder with an Info.plist written by libplist; no id when empty.
void bundle(const fs::path& p, const std::string& id, bool binary = false) {
    fs::create_directories(p / "Contents");
    plist_t dict = plist_new_dict();
    if (!id.empty()) plist_dict_set_item(dict, "CFBundleIdentifier", plist_new_string(id.c_str()));
    plist_dict_set_item(dict, "CFBundleName", plist_new_string(p.stem().c_str()));
    char* out = nullptr;
    uint32_t len = 0;
    if (binary)
        plist_to_bin(dict, &out, &len);
    else
        plist_to_xml(dict, &out, &len);
    std::ofstream(p / "Contents/Info.plist", std::ios::binary).write(out, len);
    free(out);
    plist_free(dict);
}

struct Found {
    std::string name, id, path;
    bool operator==(const Found&) const = default;
};

std::vector<Found> scan(platform::AppFolders& folders) {
    std::vector<Found> out;
    const ApplicationSet set = collectInstalledApps(folders);
    for (const Application& a : set) out.push_back({a.name, a.id, a.url.absoluteString()});
    std::stable_sort(out.begin(), out.end(), [](const Found& a, const Found& b) {
        return QString::fromStdString(a.name).toLower() < QString::fromStdString(b.name).toLower();
    });
    return out;
}

TEST(DesktopAppFolders, ScanFindsBundlesAsTheFoldersHoldThem) {
    QTemporaryDir tmp;
    const fs::path root = tmp.path().toStdString();
    const fs::path local = root / "local", user = root / "user", system = root / "system";
    bundle(local / "Zeta.app", "org.example.zeta");
    bundle(local / "Utilities/Calc.app", "org.example.calc", true);        // nested folder
    bundle(local / "Zeta.app/Contents/Helpers/Inner.app", "org.example.in"); // inside an app
    bundle(local / "Shout.APP", "org.example.shout");                        // capitals
    bundle(local / "NoId.app", "");                                          // no identifier
    bundle(local / "my.tool.app", "org.example.tool");                       // two dots
    write(local / "plain.app", "not a bundle");                              // a file, not executable
    bundle(root / "elsewhere/Target.app", "org.example.target");
    fs::create_directory_symlink(root / "elsewhere/Target.app", local / "Link.app");
    write(root / "script", "#!/bin/sh\n");
    fs::permissions(root / "script", fs::perms::owner_all);
    fs::create_symlink(root / "script", local / "Script.app");               // link to a non-application
    bundle(user / "Zeta.app", "org.example.zeta");                          // the same app twice
    bundle(system / ".Hidden.app", "org.example.hidden");

    desktop::DesktopAppFolders folders({local.string(), user.string(), (root / "missing").string(), system.string()},
                                       {(root / "nodata").string()});
    const auto url = [](const fs::path& p) { return "file://" + p.string(); };
    const std::vector<Found> want{
        {".Hidden", "org.example.hidden", url(system / ".Hidden.app")},
        {"Calc", "org.example.calc", url(local / "Utilities/Calc.app")},
        {"Link", "org.example.target", url(local / "Link.app")},
        {"my.tool", "org.example.tool", url(local / "my.tool.app")},
        {"NoId", (local / "NoId.app").string(), url(local / "NoId.app")},
        {"Script", (local / "Script.app").string(), url(local / "Script.app")},
    };
    std::vector<Found> got = scan(folders);
    // The two Zetas have equal names and so no order between them.
    ASSERT_EQ(got.size(), want.size() + 2);
    std::vector<Found> zetas(got.end() - 2, got.end());
    got.resize(want.size());
    EXPECT_EQ(got, want);
    std::sort(zetas.begin(), zetas.end(), [](const Found& a, const Found& b) { return a.path < b.path; });
    EXPECT_EQ(zetas, (std::vector<Found>{{"Zeta", "org.example.zeta", url(local / "Zeta.app")},
                                          {"Zeta", "org.example.zeta", url(user / "Zeta.app")}}));
}

TEST(DesktopAppFolders, DesktopEntriesGiveIdNameAndIconAndTheFirstFolderWins) {
    QTemporaryDir tmp;
    const fs::path home = fs::path(tmp.path().toStdString()) / "home", sys = fs::path(tmp.path().toStdString()) / "sys";
    write(home / "applications/org.example.Editor.desktop",
          "[Desktop Entry]\nType=Application\nName=Editor\nIcon=accessories-text-editor\nExec=/usr/bin/editor %F\n");
    write(sys / "applications/org.example.Editor.desktop", "[Desktop Entry]\nType=Application\nName=Old Editor\n");
    write(sys / "applications/kde/calc.desktop", "[Desktop Entry]\nName=Calc\nType=Application\nExec=kcalc\n");
    write(sys / "applications/hidden.desktop", "[Desktop Entry]\nType=Application\nName=H\nNoDisplay=true\n");
    write(sys / "applications/link.desktop", "[Desktop Entry]\nType=Link\nName=L\n");
    write(sys / "applications/noname.desktop", "[Desktop Entry]\nType=Application\n");
    write(sys / "applications/other.desktop", "[Other]\nType=Application\nName=X\n");

    desktop::DesktopAppFolders folders({(home / "none").string()}, {home.string(), sys.string()});
    const auto apps = folders.desktopApplications();
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].id, "org.example.Editor");
    EXPECT_EQ(apps[0].name, "Editor");
    EXPECT_EQ(apps[0].icon, "accessories-text-editor");
    EXPECT_EQ(apps[0].exec, "/usr/bin/editor");
    EXPECT_EQ(apps[0].path, (home / "applications/org.example.Editor.desktop").string());
    EXPECT_EQ(apps[1].id, "kde-calc");
    EXPECT_EQ(apps[1].exec, "kcalc");

    const ApplicationSet set = collectInstalledApps(folders);
    ASSERT_EQ(set.size(), 2u);
    EXPECT_EQ(set.begin()->name, "Calc");
    EXPECT_EQ(set.begin()->id, "kde-calc");

    // Chosen by hand: an entry is an application with its desktop-file id.
    const std::string chosen = (sys / "applications/kde/calc.desktop").string();
    ASSERT_TRUE(folders.resourceValues(chosen));
    EXPECT_TRUE(folders.resourceValues(chosen)->isApplication);
    EXPECT_EQ(folders.bundleIdentifier(chosen), "kde-calc");
    EXPECT_FALSE(folders.resourceValues((sys / "applications/link.desktop").string())->isApplication);
    EXPECT_FALSE(folders.resourceValues((sys / "nothing.desktop").string()));
    // One entry read alone, as a row's icon needs it.
    const auto one = folders.desktopApplicationAt((home / "applications/org.example.Editor.desktop").string());
    ASSERT_TRUE(one);
    EXPECT_EQ(one->id, "org.example.Editor");
    EXPECT_EQ(one->icon, "accessories-text-editor");
    EXPECT_FALSE(folders.desktopApplicationAt((sys / "applications/link.desktop").string()));
    EXPECT_FALSE(folders.desktopApplicationAt((sys / "nothing.desktop").string()));
}

// The open panel for desktop entries starts in the user's own folder of
// entries, else in the first there is.
TEST(DesktopAppFolders, TheUsersEntryFolderComesFirstWhenThereIsOne) {
    QTemporaryDir tmp;
    const fs::path user = fs::path(tmp.path().toStdString()) / "user", sys = fs::path(tmp.path().toStdString()) / "sys";
    desktop::DesktopAppFolders probe({(user / "none").string()}, {user.string(), sys.string()});
    EXPECT_EQ(probe.userEntryFolder(), "");
    fs::create_directories(sys / "applications");
    EXPECT_EQ(probe.userEntryFolder(), (sys / "applications").string());
    fs::create_directories(user / "applications");
    EXPECT_EQ(probe.userEntryFolder(), (user / "applications").string());
}

TEST(DesktopAppFolders, AnEntryIsReadAgainOnlyWhenItsFileChanges) {
    QTemporaryDir tmp;
    const fs::path data = tmp.path().toStdString();
    const fs::path file = data / "applications/org.example.Calc.desktop";
    const auto entry = [](const std::string& name) { return "[Desktop Entry]\nType=Application\nName=" + name + "\n"; };
    write(file, entry("Alpha"));
    desktop::DesktopAppFolders folders({(data / "none").string()}, {data.string()});
    const auto nameAt = [&] {
        const auto app = folders.desktopApplicationAt(file.string());
        return app ? app->name : std::string("(none)");
    };
    const auto stamp = fs::last_write_time(file);
    // Each step rewrites the file and sets its time: the answer follows the
    // time and the size, not the text.
    const std::tuple<std::string, int, std::string> steps[] = {
        {entry("Alpha"), 0, "Alpha"},
        {entry("Omega"), 0, "Alpha"},  // same time and size: kept
        {entry("Omega"), 5, "Omega"},
        {entry("Gamma-ray"), 5, "Gamma-ray"},
        {"[Desktop Entry]\nType=Link\nName=Gamma-ra\n", 9, "(none)"},
        {entry("Delta"), 12, "Delta"},
    };
    for (const auto& [text, later, name] : steps) {
        write(file, text);
        fs::last_write_time(file, stamp + std::chrono::seconds(later));
        EXPECT_EQ(nameAt(), name) << text;
        EXPECT_EQ(nameAt(), name) << text;
    }
    EXPECT_EQ(folders.desktopApplicationAt(file.string())->id, "org.example.Calc");
    // Gone: nothing, and a new file at the path, of the same time and size, is
    // read afresh.
    fs::remove(file);
    EXPECT_EQ(nameAt(), "(none)");
    write(file, entry("Epsil"));
    fs::last_write_time(file, stamp + std::chrono::seconds(12));
    EXPECT_EQ(nameAt(), "Epsil");
}

// The installed picker names and draws every entry of the machine, often
// several hundred: rebuilding it reads none of them again.
TEST(DesktopAppFolders, EveryEntryOfALargeInstallationStaysKept) {
    QTemporaryDir tmp;
    const fs::path data = tmp.path().toStdString();
    desktop::DesktopAppFolders folders({(data / "none").string()}, {data.string()});
    constexpr int kEntries = 400;
    const auto fileOf = [&](int i) { return data / ("applications/app" + std::to_string(1000 + i) + ".desktop"); };
    const auto fill = [&](char mark) {
        for (int i = 0; i < kEntries; ++i) {
            write(fileOf(i), std::string("[Desktop Entry]\nType=Application\nName=") + mark + "\n");
            fs::last_write_time(fileOf(i), fs::file_time_type(std::chrono::seconds(1'700'000'000)));
        }
    };
    const auto kept = [&] {
        int n = 0;
        for (int i = 0; i < kEntries; ++i) n += folders.desktopApplicationAt(fileOf(i).string())->name == "A";
        return n;
    };
    fill('A');
    EXPECT_EQ(kept(), kEntries);
    // Same times and sizes: a second pass answers from what it kept.
    fill('B');
    EXPECT_EQ(kept(), kEntries);
}

} // namespace
} // namespace corv::test
