#include "ui/HintPlacement.h"

namespace corv::ui {

platform::Point placeHint(platform::Point p, HintSize panel, double anchorHeight,
                          const std::vector<platform::Rect>& screens) {
    const double w = panel.width, h = panel.height;
    double x = p.x - w - 10;
    // The bottom edge stands 10 points above the pointer.
    double bottom = p.y - 10;
    for (const auto& f : screens) {
        if (!f.contains(p)) continue;
        if (x < f.x + 10) x = p.x + 12;
        if (f.x + f.width < x + w + 10) x -= x + w - (f.x + f.width) + 10;
        if (bottom - h - 10 < f.y) bottom += h + anchorHeight + 8;
        break;
    }
    return {x, bottom - h};
}

} // namespace corv::ui
