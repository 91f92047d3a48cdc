#pragma once

// What our KWin script reports (resources/kwin/windows.js), read from its
// JSON: the windows bottom to top, each of KWin's ids once (with an X11
// window's own id), the active one, the one under the pointer, the pointer,
// the desktops and each screen with its work area. Nothing for text that is
// no report or names too many windows.

#include "platform/desktop/windows/CompositorWindows.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace corv::desktop {

// A report longer than this (in characters) is not read.
constexpr qsizetype kKWinMaxReport = 2 * 1024 * 1024;

struct KWinReportWindow {
    // KWin's id, a UUID in braces; `window.id` is left 0.
    QString uuid;
    CompositorWindow window;
    bool maximized = false;
    // An X11 window's id on Xwayland; 0 for a Wayland window.
    std::uint32_t x11Window = 0;
};

// A screen and the area a window maximises to on it (the screen less the bars).
struct KWinScreenArea {
    platform::Rect screen, area;
};

struct KWinReport {
    std::vector<KWinReportWindow> windows;
    // Ids of windows the report names; empty for none.
    QString active, under;
    std::optional<platform::Point> pointer;
    std::optional<CompositorDesktops> desktops;
    std::vector<KWinScreenArea> screens;
};

std::optional<KWinReport> kwinReportOf(const QByteArray& json);

} // namespace corv::desktop
