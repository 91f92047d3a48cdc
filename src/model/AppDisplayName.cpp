#include "model/AppDisplayName.h"

#include "model/Apps.h"
#include "platform/AppFolders.h"
#include "platform/Platform.h"

#include <cctype>

namespace corv {

namespace {

int hexValue(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isdigit(u) ? c - '0' : std::tolower(u) - 'a' + 10;
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

} // namespace

std::string decodedFilePath(const Url& url) {
    const std::string u = url.absoluteString();
    const std::string text = u.rfind("file://", 0) == 0 ? u.substr(7) : u;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string fileDisplayName(const std::string& path) {
    const std::string trimmed = withoutTrailingSlashes(path);
    if (trimmed.empty() || trimmed == "/") return {};
    std::string last = trimmed.substr(trimmed.find_last_of('/') + 1);
    const auto dot = last.find_last_of('.');
    if (dot != std::string::npos && dot > 0) last.erase(dot);
    return last;
}

std::string appDisplayName(const std::string& path) {
    const std::string trimmed = withoutTrailingSlashes(path);
    if (trimmed.ends_with(".desktop") && platform::installed() && platform::installedServices().appFolders)
        if (const auto app = platform::appFolders().desktopApplicationAt(trimmed); app && !app->name.empty())
            return app->name;
    return fileDisplayName(trimmed);
}

std::string appDisplayName(const Url& url) { return appDisplayName(decodedFilePath(url)); }

std::string displayedAppName(const std::string& id, const AnApp& entry) {
    std::string name = appDisplayName(entry.url);
    return name.empty() ? id : name;
}

std::string displayedAppName(const std::string& id) {
    const AppEntries& all = Apps::shared().a.get();
    const auto it = all.find(id);
    return it == all.end() ? id : displayedAppName(id, it->second);
}

} // namespace corv
