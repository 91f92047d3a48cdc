#include "ui/HScrollBarModel.h"

#include "model/AppDisplayName.h"
#include "ui/AppNameOrder.h"

#include <algorithm>
#include <cmath>

namespace corv::ui {

std::vector<StripIcon> stripIcons(const AppEntries& entries) {
    std::vector<StripIcon> icons;
    for (const std::string& id : appIdsByName(entries)) {
        const AnApp& app = entries.at(id);
        std::string path = decodedFilePath(app.url);
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        icons.push_back({id, displayedAppName(id, app), std::move(path), app.enabled});
    }
    return icons;
}

void HScrollBarModel::measure(double rowWidth, double visibleWidth, std::size_t entryCount) {
    bound = (rowWidth - visibleWidth) * 0.5;
    iconWidth = entryCount ? rowWidth / double(entryCount) : 0;
}

bool HScrollBarModel::scrollBy(double delta) {
    if (delta == 0 || !std::isfinite(delta)) return false;
    if (!(bound > 0)) {
        offset = 0;
        return true;
    }
    offset -= delta;
    if (offset < 0) offset = 0;
    if (offset >= 2 * bound) offset = 2 * bound;
    return true;
}

void HScrollBarModel::reveal(double left, double right, double visibleWidth) {
    if (!std::isfinite(left) || !std::isfinite(right) || !std::isfinite(visibleWidth)) return;
    if (right - offset > visibleWidth) offset = right - visibleWidth;
    if (left < offset) offset = left;
    offset = std::clamp(offset, 0.0, std::max(0.0, 2 * bound));
}

void HScrollBarModel::snap() {
    if (!std::isfinite(iconWidth) || iconWidth == 0 || !std::isfinite(offset)) return;
    offset = std::nearbyint(offset / iconWidth) * iconWidth;
}

} // namespace corv::ui
