#include "platform/Url.h"

#include <cctype>

namespace corv {

namespace {

std::string percentEncodePath(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~' ||
            c == '!' || c == '$' || c == '&' || c == '\'' || c == '(' || c == ')' || c == '*' ||
            c == '+' || c == ',' || c == ';' || c == '=' || c == ':' || c == '@') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0xF];
        }
    }
    return out;
}

bool hasScheme(const std::string& text) {
    auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    if (!std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    for (size_t i = 1; i < colon; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
    }
    return true;
}

} // namespace

Url Url::fileFromPath(const std::string& path, const std::string& currentDirectory) {
    if (!path.empty() && path.front() == '/') return Url("file://" + percentEncodePath(path));
    std::string dir = currentDirectory.empty() ? "/" : currentDirectory;
    if (dir.back() != '/') dir += '/';
    auto base = std::make_shared<const Url>("file://" + percentEncodePath(dir));
    return Url(path.empty() ? "./" : percentEncodePath(path), base);
}

std::string Url::absoluteString() const {
    if (!base_ || hasScheme(relative_)) return relative_;
    std::string b = base_->absoluteString();
    std::string rel = relative_;
    if (rel.rfind("./", 0) == 0) rel.erase(0, 2);
    if (!rel.empty() && rel.front() == '/') {
        auto schemeEnd = b.find("://");
        if (schemeEnd != std::string::npos) {
            auto pathStart = b.find('/', schemeEnd + 3);
            return (pathStart == std::string::npos ? b : b.substr(0, pathStart)) + rel;
        }
        return rel;
    }
    auto slash = b.rfind('/');
    return (slash == std::string::npos ? b + "/" : b.substr(0, slash + 1)) + rel;
}

bool Url::isValidText(const std::string& text) {
    if (text.empty()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) return false;
        if (c == '%') {
            if (i + 2 >= text.size()) return false;
            if (!std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
                !std::isxdigit(static_cast<unsigned char>(text[i + 2])))
                return false;
        }
    }
    return true;
}

bool operator==(const Url& a, const Url& b) {
    if (a.relative_ != b.relative_) return false;
    if (!a.base_ || !b.base_) return !a.base_ && !b.base_;
    return *a.base_ == *b.base_;
}

} // namespace corv
