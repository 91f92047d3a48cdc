#include "ui/AppDisplayName.h"

#include "model/Apps.h"
#include "recorders/BindingPaths.h"

#include <cctype>

namespace corv::ui {

std::string decodedFilePath(const Url& url) {
    const std::string u = url.absoluteString();
    const std::string text = u.rfind("file://", 0) == 0 ? u.substr(7) : u;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string bundleName(const Url& url) {
    std::string path = decodedFilePath(url);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (path.empty() || path == "/") return {};
    std::string last = path.substr(path.find_last_of('/') + 1);
    const auto dot = last.find_last_of('.');
    if (dot != std::string::npos && dot > 0) last.erase(dot);
    return last;
}

std::string displayedAppName(const std::string& id) {
    const AnApp* e = recorders::appEntry(id);
    if (!e) return id;
    std::string name = bundleName(e->url);
    return name.empty() ? id : name;
}

} // namespace corv::ui
