#pragma once

// Where a popup window goes: every popup lies inside the work area of the
// screen it opens on (the screen less the desktop's panels and docks).

#include "platform/Rect.h"

class QWidget;
class QRect;

namespace corv::ui {

// `wanted` moved the least to lie inside `area`; a popup wider or taller than
// the area keeps its left or top edge on the area's. The size is kept.
platform::Rect keepInside(platform::Rect wanted, platform::Rect area);

// The work area of the screen that holds `anchor`'s centre (the primary
// screen's when none does).
QRect workAreaAt(const QWidget* anchor);

// Moves the popup window `popup`, sized already, to `wanted`'s top-left kept
// inside the work area at `anchor`; one wanted left of `anchor` where the
// screen ends goes right of `anchor`'s window.
void placePopup(QWidget* popup, const QWidget* anchor, const QRect& wanted);

} // namespace corv::ui
