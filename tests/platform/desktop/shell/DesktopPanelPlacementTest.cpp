#include "platform/desktop/shell/DesktopPanelPlacement.h"

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

TEST(DesktopPanelPlacementTest, ThePanelHangsOffTheTraysEdgeInsideTheWorkArea) {
    const QRect screen(0, 0, 1280, 800);
    struct Case {
        const char* what;
        std::optional<QRect> tray;
        QRect work;
        QPoint wanted;
        int height;
        QRect frame;
    };
    const Case cases[] = {
        {"below a top bar", QRect(1240, 0, 24, 32), QRect(0, 32, 1280, 768), {1062, 28}, 500, {900, 32, 380, 500}},
        {"below an icon when the work area is the screen", QRect(1240, 4, 24, 24), screen, {1062, 28}, 500,
         {900, 28, 380, 500}},
        {"above a bottom bar", QRect(1240, 768, 24, 32), QRect(0, 0, 1280, 768), {1062, 800}, 500, {900, 268, 380, 500}},
        {"cut to the room above a bottom bar", QRect(100, 768, 24, 32), QRect(0, 0, 1280, 768), {-78, 0}, 900,
         {0, 0, 380, 768}},
        {"cut to the room below a top bar", QRect(100, 0, 24, 32), QRect(0, 32, 1280, 768), {-78, 32}, 900,
         {0, 32, 380, 768}},
        {"no icon: kept inside the work area", std::nullopt, QRect(0, 32, 1280, 768), {1100, 0}, 500,
         {900, 32, 380, 500}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(placePanelFrame(c.wanted, QSize(380, c.height), c.tray, screen, c.work), c.frame) << c.what;
}

} // namespace
} // namespace corv::desktop
