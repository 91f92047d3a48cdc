#include "ui/FlattenText.h"

namespace corv::ui {

namespace {

// The UTF-8 length of a line break starting at i, or 0.
std::size_t lineBreakAt(std::string_view s, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '\n' || c == '\r' || c == 0x0B || c == 0x0C) return 1;
    if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x85) return 2;  // NEL
    if (c == 0xE2 && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x80) {
        const unsigned char d = static_cast<unsigned char>(s[i + 2]);
        if (d == 0xA8 || d == 0xA9) return 3;  // line and paragraph separators
    }
    return 0;
}

bool isBlank(unsigned char c) { return c == ' ' || c == '\t'; }

} // namespace

std::string flattenToSingleLine(std::string_view text) {
    std::string joined;
    joined.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t n = lineBreakAt(text, i)) {
            i += n;
            continue;
        }
        joined.push_back(text[i++]);
    }
    std::size_t b = 0, e = joined.size();
    while (b < e && isBlank(static_cast<unsigned char>(joined[b]))) ++b;
    while (e > b && isBlank(static_cast<unsigned char>(joined[e - 1]))) --e;
    return joined.substr(b, e - b);
}

} // namespace corv::ui
