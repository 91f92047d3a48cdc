#pragma once

// Pictures for the program's system symbols, drawn by the program as vector
// shapes at any size. A template symbol takes the desktop's text colour
// (light on a dark theme, dark on a light one); palette colours colour the
// symbol's layers in order (a slash first, the rest second).

#include "platform/StatusBar.h"

#include <QIcon>

namespace corv::desktop {

QIcon symbolIcon(const platform::SymbolImage& image);

} // namespace corv::desktop
