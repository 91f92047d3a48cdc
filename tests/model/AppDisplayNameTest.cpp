#include "support/SimFixture.h"

#include "model/AppDisplayName.h"
#include "model/ApplicationSets.h"
#include "model/Apps.h"

namespace corv {
namespace {

class AppDisplayNameTest : public test::SimTest {
protected:
    AppDisplayNameTest() {
        sim->appFolders.desktopApps = {
            {"org.gnome.Calculator", "Calculator", "/usr/share/applications/org.gnome.Calculator.desktop", "", ""},
            {"my app", "Mein Büro", "/home/ann/.local/share/applications/my app.desktop", "", ""},
            {"blank", "", "/usr/share/applications/blank.desktop", "", ""}};
    }
};

TEST_F(AppDisplayNameTest, DesktopEntriesGoByTheirNameOtherFilesByTheirFileName) {
    const struct {
        std::string url, name;
    } cases[] = {
        {"file:///usr/share/applications/org.gnome.Calculator.desktop", "Calculator"},
        {"file:///usr/share/applications/org.gnome.Calculator.desktop/", "Calculator"},
        {"file:///home/ann/.local/share/applications/my%20app.desktop", "Mein Büro"},  // looked up decoded
        {"file:///usr/share/applications/firefox-esr.desktop", "firefox-esr"},          // no entry there
        {"file:///usr/share/applications/blank.desktop", "blank"},                      // an entry without Name
        {"file:///opt/My%20Tools/Editor.app/", "Editor"},
        {"file:///Applications/Tool.v2.app", "Tool.v2"},
        {"file:///Applications/Caf%C3%A9.app", "Café"},
        {"file:///opt/.hidden", ".hidden"},
        {"file:///usr/bin/100%", "100%"},  // a lone percent stays
        {"file:///", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(appDisplayName(Url(c.url)), c.name) << c.url;
    // A path is taken as it is, escapes and all.
    EXPECT_EQ(appDisplayName("/home/ann/.local/share/applications/my app.desktop"), "Mein Büro");
    EXPECT_EQ(appDisplayName("/home/ann/.local/share/applications/my%20app.desktop"), "my%20app");
    EXPECT_EQ(fileDisplayName("/usr/share/applications/org.gnome.Calculator.desktop"), "org.gnome.Calculator");
    EXPECT_EQ(fileDisplayName("Tool.app//"), "Tool");
}

TEST_F(AppDisplayNameTest, EntriesOfAppsShowTheirIdOnlyWhenTheirUrlNamesNothing) {
    Apps::shared().a.modify([](AppEntries& a) {
        a["org.gnome.Calculator"].url = Url::fileFromPath("/usr/share/applications/org.gnome.Calculator.desktop", "/");
        a["com.bare"].url = Url("file:///");
    });
    EXPECT_EQ(displayedAppName("org.gnome.Calculator"), "Calculator");
    EXPECT_EQ(displayedAppName("com.bare"), "com.bare");
    EXPECT_EQ(displayedAppName("gone"), "gone");
}

TEST_F(AppDisplayNameTest, ARunningEntryWithoutItsOwnNameTakesTheEntrysName) {
    sim->workspace.apps.push_back({1, "org.gnome.Calculator", "/usr/share/applications/org.gnome.Calculator.desktop",
                                   std::nullopt, std::nullopt, platform::ActivationPolicy::Regular});
    scanRunningApps();
    ASSERT_EQ(ApplicationSets::shared().runningApps.size(), 1u);
    EXPECT_EQ(ApplicationSets::shared().runningApps.begin()->name, "Calculator");
}

} // namespace
} // namespace corv
