// The tray icon as a tray shows it, on a display of the test's own: it reads
// on a dark tray and on a light one, in either theme, and takes the colours a
// tray names, also when the tray names them later.

#include "platform/desktop/shell/DesktopStatusBar.h"

#include "support/PrivateBus.h"
#include "support/XembedTray.h"
#include "support/Xvfb.h"

#include <QApplication>
#include <QPalette>

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace corv::desktop {
namespace {

using test::Rgb;
using test::spinUntil;

struct TrayCase {
    const char* name;
    Rgb tray;
    bool darkTheme;
    std::optional<Rgb> colors;  // named by the tray
    bool colorsLater;           // named once the icon shows
};

void PrintTo(const TrayCase& c, std::ostream* os) { *os << c.name; }

const Rgb kDarkTray{0x1e, 0x1e, 0x1e}, kLightTray{0xf0, 0xf0, 0xf0}, kAmber{0xff, 0xc8, 0x00};

class TrayIconTest : public ::testing::TestWithParam<TrayCase> {};

TEST_P(TrayIconTest, TheIconReadsOnTheTray) {
    if (!test::runningOnXvfb()) return;
    const TrayCase& c = GetParam();
    const QPalette saved = QApplication::palette();
    if (c.darkTheme) {
        QPalette dark = saved;
        dark.setColor(QPalette::WindowText, Qt::white);
        dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
        QApplication::setPalette(dark);
    }
    test::XembedTray tray(c.tray);
    ASSERT_TRUE(tray.ok());
    if (c.colors && !c.colorsLater) tray.nameColors(*c.colors, {0xff, 0x40, 0x40});
    tray.own();
    DesktopStatusBar bar;
    ASSERT_NE(bar.makeStatusItem(), nullptr);
    // Waits, serving the tray, until the condition holds.
    const auto served = [&](auto holds) {
        return spinUntil([&] {
            tray.serve();
            return holds();
        });
    };
    ASSERT_TRUE(served([&] { return tray.icon().has_value(); })) << "the icon never asked to dock";
    if (c.colors && c.colorsLater) {
        // Shown first with its halo, then in the tray's colour.
        EXPECT_TRUE(served([&] { return tray.shareStandingOut(3.0) >= 0.1; }));
        tray.nameColors(*c.colors, {0xff, 0x40, 0x40});
    }
    if (c.colors) {
        // The glyph in the named foreground, and no halo: little but the two
        // colours (and their blend at the glyph's edges) is on the tray.
        EXPECT_TRUE(served([&] { return tray.shareNear(*c.colors, 24) >= 0.1; })) << tray.shareNear(*c.colors, 24);
        EXPECT_GE(tray.shareNear(*c.colors, 24) + tray.shareNear(c.tray, 24), 0.75);
    } else {
        // At least a tenth of the icon stands out from the tray at 3:1.
        EXPECT_TRUE(served([&] { return tray.shareStandingOut(3.0) >= 0.1; })) << tray.shareStandingOut(3.0);
    }
    QApplication::setPalette(saved);
}

INSTANTIATE_TEST_SUITE_P(
    Trays, TrayIconTest,
    ::testing::Values(TrayCase{"DarkTrayLightTheme", kDarkTray, false, std::nullopt, false},
                      TrayCase{"LightTrayLightTheme", kLightTray, false, std::nullopt, false},
                      TrayCase{"DarkTrayDarkTheme", kDarkTray, true, std::nullopt, false},
                      TrayCase{"LightTrayDarkTheme", kLightTray, true, std::nullopt, false},
                      TrayCase{"DarkTrayNamingAmber", kDarkTray, false, kAmber, false},
                      TrayCase{"LightTrayNamingAmberLater", kLightTray, false, kAmber, true}),
    [](const ::testing::TestParamInfo<TrayCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace corv::desktop
