#include "support/SimFixture.h"

#include "model/AppDisplayName.h"

namespace corv {
namespace {

class AppDisplayNameTest : public test::SimTest {};

TEST_F(AppDisplayNameTest, DesktopEntriesGoByTheirNameOtherFilesByTheirFileName) {
    sim->appFolders.desktopApps = {
        {"org.gnome.Calculator", "Calculator", "/usr/share/applications/org.gnome.Calculator.desktop", "", ""},
        {"my app", "Mein Büro", "/home/ann/.local/share/applications/my app.desktop", "", ""},
        {"blank", "", "/usr/share/applications/blank.desktop", "", ""}};
    const std::pair<std::string, std::string> cases[] = {
        {"file:///usr/share/applications/org.gnome.Calculator.desktop/", "Calculator"},
        {"file:///home/ann/.local/share/applications/my%20app.desktop", "Mein Büro"},  // looked up decoded
        {"file:///usr/share/applications/firefox-esr.desktop", "firefox-esr"},          // no entry there
        {"file:///usr/share/applications/blank.desktop", "blank"},                      // an entry without Name
        {"file:///opt/My%20Tools/Tool.v2.app/", "Tool.v2"},
        {"file:///Applications/Caf%C3%A9.app", "Café"},
        {"file:///opt/.hidden", ".hidden"},
        {"file:///", ""},
    };
    for (const auto& [url, name] : cases) EXPECT_EQ(appDisplayName(Url(url)), name) << url;
    EXPECT_EQ(fileDisplayName("/usr/share/applications/org.gnome.Calculator.desktop"), "org.gnome.Calculator");
}

} // namespace
} // namespace corv
