#include "platform/desktop/apps/DesktopApps.h"
#include "platform/desktop/apps/DesktopEntry.h"
#include "platform/desktop/apps/DesktopWorkspace.h"
#include "platform/desktop/windows/EwmhWindows.h"
#include "platform/desktop/x11/X11Session.h"
#include "platform/sim/SimRunLoop.h"
#include "support/PrivateBus.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

namespace corv::desktop {
namespace {

TEST(DesktopApps, DesktopIdFromCgroup) {
    const auto installed = [](const std::string& id) { return id == "firefox-esr" || id == "org.gnome.Terminal"; };
    const std::vector<std::pair<std::string, std::optional<std::string>>> rows{
        {"0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-gnome-org.gnome.Terminal-4711.scope\n",
         "org.gnome.Terminal"},
        {"0::/user.slice/user@1000.service/app.slice/app-gnome-firefox\\x2desr-12.scope", "firefox-esr"},
        {"0::/user.slice/user@1000.service/app.slice/app-gnome-firefox-esr-12.scope", "firefox-esr"},
        {"0::/user.slice/user@1000.service/app.slice/app-org.gnome.Terminal@3.service", "org.gnome.Terminal"},
        {"0::/user.slice/user@1000.service/app.slice/app-flatpak-org.example.Viewer-99.scope", "org.example.Viewer"},
        {"0::/user.slice/user@1000.service/app.slice/app-dbus\\x2d:1.2\\x2dorg.a.b.slice", std::nullopt},
        {"0::/user.slice/user-1000.slice/session-3.scope", std::nullopt},
        {"0::/", std::nullopt},
        {"", std::nullopt},
        {"0::/app.slice/app-.scope", std::nullopt},
    };
    for (const auto& [text, id] : rows) EXPECT_EQ(desktopIdFromCgroup(text, installed), id) << text;
}

// The running-application scan looks entries up in the background while the
// main thread does too; every lookup here rescans, so each one replaces the
// list the other may be reading.
TEST(DesktopApps, LookupsFromTwoThreadsWhileTheyRescan) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    std::filesystem::create_directories(root + "/data/applications");
    for (int i = 0; i < 40; ++i)
        std::ofstream(root + "/data/applications/corv-app" + std::to_string(i) + ".desktop")
            << "[Desktop Entry]\nType=Application\nName=App " << i << "\nExec=true\n";
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(root + "/data"));
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(root + "/none"));
    DesktopApps apps(std::chrono::steady_clock::duration::zero());
    std::atomic<int> wrong{0};
    const auto look = [&](int first) {
        for (int n = 0; n < 150; ++n) {
            const int i = (first + n) % 40;
            const auto byId = apps.byId("corv-app" + std::to_string(i));
            const auto byClass = apps.byWindowClass("", "corv-app" + std::to_string(i));
            if (!byId || byId->name != "App " + std::to_string(i) || byClass != byId) ++wrong;
        }
    };
    std::thread other(look, 20);
    look(0);
    other.join();
    EXPECT_EQ(wrong.load(), 0);
    for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS"}) qunsetenv(name);
}

TEST(DesktopEntry, ExecArgumentsTakeTargetsWhole) {
    const std::string hostile = "a'b\"c $(touch x) `id` ;rm\nz";
    using Args = std::vector<std::string>;
    const std::vector<std::tuple<std::string, Args, std::optional<Args>>> rows{
        {"Exec=viewer %u", {hostile}, Args{"viewer", hostile}},
        {"Exec=\"/opt/My App/run\" --open %F --icon %i", {"/a b", "/c"}, Args{"/opt/My App/run", "--open", "/a b", "/c", "--icon"}},
        {"Exec=viewer %f", {}, Args{"viewer"}},
        {"Exec=env A=1 viewer --url=%u 100%%", {"http://x"}, Args{"env", "A=1", "viewer", "--url=http://x", "100%"}},
        {"Exec=\"unclosed %u", {"x"}, std::nullopt},
        // Inside quotes a target would become part of a script.
        {"Exec=sh -c \"viewer %u; true\" \"%f\"", {hostile}, Args{"sh", "-c", "viewer ; true"}},
        {"Name=no exec", {}, std::nullopt},
    };
    for (const auto& [line, targets, expected] : rows)
        EXPECT_EQ(execArgumentsOf("[Desktop Entry]\n" + line + "\n", targets), expected) << line;
}

// URLs and documents open with the default handler's desktop entry, the
// target one argument of its program and no shell in between.
TEST(DesktopWorkspace, OpensThroughDesktopEntriesWithoutAShell) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    std::filesystem::create_directories(root + "/data/applications");
    std::filesystem::create_directories(root + "/config");
    const std::string log = root + "/args";
    const std::string handler = root + "/handler";
    std::ofstream(handler) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\" >> " + log + "; done\necho >> " + log + "\n";
    std::filesystem::permissions(handler, std::filesystem::perms::owner_all);
    std::ofstream(root + "/data/applications/corv-viewer.desktop")
        << "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" << handler << " --open %u\nMimeType=text/plain;\n";
    std::ofstream(root + "/config/mimeapps.list") << "[Default Applications]\nx-scheme-handler/corvtest=corv-viewer.desktop\ntext/plain=corv-viewer.desktop\n";
    std::ofstream(root + "/note.txt") << "hello";
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(root + "/data"));
    // The system's data folders hold the MIME database.
    qputenv("XDG_DATA_DIRS", "/usr/share");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(root + "/config"));
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(root + "/none"));

    X11Session none;
    sim::SimRunLoop loop;
    EwmhWindows windows(loop, &none);
    DesktopWorkspace workspace(windows);
    const std::string hostile = "corvtest://x/'a\"b$(touch " + root + "/pwned)`touch " + root + "/pwned2`;id";
    const std::vector<std::pair<Url, std::string>> rows{
        {Url(hostile), "--open|" + hostile + "|"},
        {Url::fileFromPath(root + "/note.txt", "/"), "--open|" + root + "/note.txt|"},
    };
    std::string expected;
    for (const auto& [url, line] : rows) {
        EXPECT_EQ(workspace.applicationToOpenUrl(url), Url::fileFromPath(root + "/data/applications/corv-viewer.desktop", "/"));
        ASSERT_TRUE(workspace.openUrl(url)) << url.absoluteString();
        expected += line + "\n";
        EXPECT_TRUE(test::spinUntil([&] {
            std::ifstream in(log);
            return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()) == expected;
        })) << url.absoluteString();
    }
    EXPECT_FALSE(std::filesystem::exists(root + "/pwned"));
    EXPECT_FALSE(std::filesystem::exists(root + "/pwned2"));
    // No handler: nothing opens.
    EXPECT_FALSE(workspace.openUrl(Url("nohandler://x")));
    EXPECT_FALSE(workspace.applicationToOpenUrl(Url("nohandler://x")));
    for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"}) qunsetenv(name);
}

} // namespace
} // namespace corv::desktop
