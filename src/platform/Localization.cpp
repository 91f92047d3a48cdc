#include "platform/Localization.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace corv::platform {

namespace detail {
extern const char* const kEnglishStrings;
}

namespace {

// Reads a quoted string at pos; advances pos past the closing quote.
bool readQuoted(const std::string& s, std::size_t& pos, std::string& out) {
    if (pos >= s.size() || s[pos] != '"') return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        char c = s[pos++];
        if (c == '"') return true;
        if (c == '\\' && pos < s.size()) {
            char e = s[pos++];
            out += e == 'n' ? '\n' : e == 't' ? '\t' : e;
        } else {
            out += c;
        }
    }
    return false;
}

void skipSpace(const std::string& s, std::size_t& pos) {
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
}

// Lines of the form "key" = "text";  Lines starting with // are comments.
std::unordered_map<std::string, std::string> parseTable(const std::string& text) {
    std::unordered_map<std::string, std::string> table;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        std::size_t pos = 0;
        skipSpace(line, pos);
        std::string key, value;
        if (!readQuoted(line, pos, key)) continue;
        skipSpace(line, pos);
        if (pos >= line.size() || line[pos] != '=') continue;
        ++pos;
        skipSpace(line, pos);
        if (!readQuoted(line, pos, value)) continue;
        table.emplace(std::move(key), std::move(value));
    }
    return table;
}

const std::unordered_map<std::string, std::string>& table() {
    static const auto t = parseTable(detail::kEnglishStrings);
    return t;
}

} // namespace

std::string localized(std::string_view key) {
    const auto& t = table();
    auto it = t.find(std::string(key));
    return it == t.end() ? std::string(key) : it->second;
}

} // namespace corv::platform
