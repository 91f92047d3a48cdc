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
        {"below a bar thinner than the box round the tray's point", QRect(988, 0, 24, 24), QRect(0, 23, 1280, 777),
         {810, 24}, 500, {810, 23, 380, 500}},
        {"above a bar thinner than the box round the tray's point", QRect(88, 773, 24, 24), QRect(0, 0, 1280, 777),
         {-90, 797}, 500, {0, 277, 380, 500}},
        {"no icon: kept inside the work area", std::nullopt, QRect(0, 32, 1280, 768), {1100, 0}, 500,
         {900, 32, 380, 500}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(placePanelFrame(c.wanted, QSize(380, c.height), c.tray, screen, c.work), c.frame) << c.what;
}

// A tray's point opens the panel centred on it, on the screen holding it,
// against its bar; the tabs stay where they stood only by a bottom bar of
// the same screen.
TEST(DesktopPanelPlacementTest, ATraysPointOpensThePanelOnItsScreenAgainstItsBar) {
    // Side by side, each with a bar at the top and at the bottom.
    const PanelScreen left{QRect(0, 0, 1280, 800), QRect(0, 24, 1280, 752)};
    const PanelScreen right{QRect(1280, 0, 1280, 800), QRect(1280, 24, 1280, 752)};
    const struct {
        const char* what;
        QPoint point;
        std::optional<TrayOpening> last;
        QRect frame;
    } cases[] = {
        {"on the screen whose first column holds the point", {1280, 12}, {}, {1280, 24, 380, 613}},
        {"on the screen whose last column holds it", {1279, 12}, {}, {900, 24, 380, 613}},
        {"where the tabs stood above the same bar", {60, 788}, TrayOpening{left.screen, true, 100}, {0, 100, 380, 613}},
        {"not where they stood below a top bar", {60, 788}, TrayOpening{left.screen, false, 24}, {0, 163, 380, 613}},
        {"not where they stood on another screen", {60, 788}, TrayOpening{right.screen, true, 100}, {0, 163, 380, 613}},
    };
    for (const auto& c : cases) {
        const QRect box = trayPointBox(c.point);
        const PanelScreen& on = right.screen.contains(trayMiddle(box)) ? right : left;
        EXPECT_EQ(trayDropDownFrame(box, QSize(380, 613), on, c.last), c.frame) << c.what;
    }
}

// An open panel whose tab changed: the tab bar at its top stays unless the
// new height needs the room.
TEST(DesktopPanelPlacementTest, AnOpenPanelKeepsItsTopWhileItsHeightChanges) {
    const QRect aboveBottomBar(0, 0, 1280, 768);
    struct Case {
        const char* what;
        QRect shown;
        int height;
        QRect frame;
    };
    const Case cases[] = {
        {"shorter: the top stays, the bottom leaves the bar", {900, 110, 380, 658}, 211, {900, 110, 380, 211}},
        {"taller, with room below: the top stays", {900, 557, 380, 211}, 200, {900, 557, 380, 200}},
        {"taller than the room below: up just enough", {900, 557, 380, 211}, 587, {900, 181, 380, 587}},
        {"taller than the work area: cut to it", {900, 557, 380, 211}, 900, {900, 0, 380, 768}},
    };
    for (const Case& c : cases) EXPECT_EQ(keepPanelTop(c.shown, c.height, aboveBottomBar), c.frame) << c.what;
}

} // namespace
} // namespace corv::desktop
