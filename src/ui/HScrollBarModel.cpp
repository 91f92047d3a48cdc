#include "ui/HScrollBarModel.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace corv::ui {

namespace {

std::string pathOf(const Url& url) {
    std::string s = url.absoluteString();
    constexpr std::string_view scheme = "file://";
    if (s.rfind(scheme, 0) == 0) s.erase(0, scheme.size());
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
}

// The last path component without its extension.
std::string bundleName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = last.find_last_of('.');
    if (dot != std::string::npos && dot > 0) last.erase(dot);
    return last;
}

std::string lowered(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

std::vector<StripIcon> stripIcons(const AppEntries& entries) {
    std::vector<StripIcon> icons;
    for (const auto& [id, app] : entries) {
        if (id.empty()) continue;
        const std::string path = pathOf(app.url);
        const bool idOnly = app.url == Url("file:///") || path == "/" || path.empty();
        icons.push_back({id, idOnly ? id : bundleName(path), path, app.enabled});
    }
    std::stable_sort(icons.begin(), icons.end(), [](const StripIcon& a, const StripIcon& b) {
        return lowered(a.name) < lowered(b.name);
    });
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

void HScrollBarModel::snap() {
    if (!std::isfinite(iconWidth) || iconWidth == 0 || !std::isfinite(offset)) return;
    offset = std::nearbyint(offset / iconWidth) * iconWidth;
}

} // namespace corv::ui
