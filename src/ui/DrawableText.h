#pragma once

// Binding texts carry private-use signs (rotation, zoom, the kind of a
// launch target) that no desktop font draws: shown, they become common
// arrows where one fits, and go (with the space after them) where none does.

#include <QString>

#include <string>

namespace corv::ui {

QString drawableText(const std::string& text);

} // namespace corv::ui
