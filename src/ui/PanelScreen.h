#pragma once

// The height of the screen the panel was last shown on; infinite before that.

namespace corv::ui {

double panelScreenHeight();

} // namespace corv::ui
