#pragma once

// Pictures for the program's system symbols: the desktop theme's icon when it
// has one, else a plain drawing.

#include "platform/StatusBar.h"

#include <QIcon>

namespace corv::desktop {

QIcon symbolIcon(const platform::SymbolImage& image, int size = 22);

} // namespace corv::desktop
