#pragma once

// The icon of an application file, the same in every list of the panel: its
// desktop entry's Icon (a theme name or an absolute path), else the generic
// application icon of the theme, else a plain tile.

#include <QPixmap>

#include <string>

namespace corv::ui {

QPixmap appIcon(const std::string& path, int size);

} // namespace corv::ui
