#pragma once

// Pictures for the program's system symbols, drawn by the program as vector
// shapes at any size. A template symbol takes the desktop's text colour
// (light on a dark theme, dark on a light one); palette colours colour the
// symbol's layers in order (a slash first, the rest second).

#include "platform/StatusBar.h"

#include <QColor>
#include <QIcon>

#include <optional>

namespace corv::desktop {

QIcon symbolIcon(const platform::SymbolImage& image);

// A symbol shown on a tray, whose background the program does not know: in
// the tray's own foreground (and error colour for red) when the tray names
// them, else ringed by a halo that contrasts with the symbol, so that it reads
// on a dark tray and a light one.
struct TrayLook {
    std::optional<QColor> foreground;
    std::optional<QColor> error;
};
QIcon traySymbolIcon(const platform::SymbolImage& image, const TrayLook& look);

// The sides, in pixels, of the pictures a tray that takes a list of them gets.
inline constexpr int kTrayIconSizes[] = {16, 22, 24, 32, 48, 64};

} // namespace corv::desktop
