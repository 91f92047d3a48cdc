// A key bound to a "Url" that names a desktop entry file, pressed on a faked
// keyboard: the entry's program runs only when the file is trusted.

#include "engine/LiveTaps.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"

#include "support/UmockdevInput.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace corv::desktop {
namespace {

constexpr std::uint16_t kVkK = 40;

TEST(DesktopEntryTrust, ABoundKeyStartsOnlyATrustedEntryFile) {
    if (!test::runningUnderUmockdev()) return;
    QTemporaryDir tmp;
    const std::string root = tmp.path().toStdString();
    for (const char* sub : {"/data/applications", "/config", "/Downloads"})
        std::filesystem::create_directories(root + sub);
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(root + "/data"));
    qputenv("XDG_DATA_DIRS", "/usr/share");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(root + "/config"));
    qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(root + "/none"));

    test::Testbed bed;
    test::InputTestbed input(bed);
    const auto keyboard = input.addDevice(test::fakeKeyboard());
    {
        DesktopLocations where{tmp.filePath("defaults.plist"), tmp.filePath("autostart")};
        where.input.stallBound = test::kQuietStallBound;
        where.input.verdictBound = test::kQuietVerdictBound;
        DesktopPlatform desktop(where);
        resetShared();
        Apps::shared().a.modify([](AppEntries& entries) { entries[""] = AnApp{}; });
        engine::startEngineTaps();
        ASSERT_TRUE(test::spinUntil([&] { return input.grabbed(keyboard); }, 5000));
        test::spinUntil([] { return false; }, 200);

        // As an imported settings file might have it: K opens a download.
        const std::string entry = root + "/Downloads/x.desktop";
        std::ofstream(entry) << "[Desktop Entry]\nType=Application\nName=X\nExec=touch " << root << "/ran\n";
        BindAction open = BindAction::forAction(ActionId::Url);
        open.appName = entry;
        Apps::shared().a.modify([&](AppEntries& e) { e[""].key[kVkK][0] = open; });
        const auto pressK = [&] {
            input.press(keyboard, KEY_K);
            input.release(keyboard, KEY_K);
        };
        pressK();
        EXPECT_FALSE(test::spinUntil([&] { return std::filesystem::exists(root + "/ran"); }, 1000));

        // Made executable, as a desktop asks the user to before trusting it.
        std::filesystem::permissions(entry, std::filesystem::perms::owner_all);
        pressK();
        EXPECT_TRUE(test::spinUntil([&] { return std::filesystem::exists(root + "/ran"); }, 10000));
        engine::stopEngineTaps();
        resetShared();
    }
    for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"}) qunsetenv(name);
}

} // namespace
} // namespace corv::desktop
