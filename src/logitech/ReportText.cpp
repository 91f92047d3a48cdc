#include "logitech/ReportText.h"

#include <vector>

namespace corv::logitech {

namespace {

constexpr const char* kEnterMark = "\u21A9";
constexpr const char* kRightArrow = "\u2192";
constexpr const char* kLeftArrow = "\u2190";

// Decodes into code points with their byte offsets; false on invalid UTF-8.
bool codePoints(const std::uint8_t* b, std::size_t n, std::vector<std::pair<char32_t, std::size_t>>& out) {
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t c = b[i];
        std::size_t len;
        char32_t cp;
        if (c < 0x80) {
            len = 1;
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((b[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (b[i + k] & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        out.emplace_back(cp, i);
        i += len;
    }
    return true;
}

bool whitespaceOrControl(char32_t c) {
    if (c <= 0x20 || (c >= 0x7F && c <= 0xA0)) return true;
    switch (c) {
    case 0x1680: case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000: return true;
    default: return c >= 0x2000 && c <= 0x200A;
    }
}

} // namespace

std::optional<std::string> decodeUtf8(const std::uint8_t* bytes, std::size_t count) {
    std::vector<std::pair<char32_t, std::size_t>> cps;
    if (!codePoints(bytes, count, cps)) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(bytes), count);
}

std::optional<std::string> decodeTrimmedName(const std::uint8_t* bytes, std::size_t count) {
    std::vector<std::pair<char32_t, std::size_t>> cps;
    if (!codePoints(bytes, count, cps)) return std::nullopt;
    std::size_t first = 0, last = cps.size();
    while (first < last && whitespaceOrControl(cps[first].first)) ++first;
    while (last > first && whitespaceOrControl(cps[last - 1].first)) --last;
    if (first == last) return std::string();
    const std::size_t from = cps[first].second;
    const std::size_t to = last < cps.size() ? cps[last].second : count;
    return std::string(reinterpret_cast<const char*>(bytes) + from, to - from);
}

std::size_t characterCount(const std::string& text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::optional<int> parseDecimal(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    int v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        v = v * 10 + (text[i] - '0');
        if (v > 1000000) return std::nullopt;
    }
    return negative ? -v : v;
}

std::string keyboardPasskey(const std::string& digits) { return digits + kEnterMark; }

std::string arrowPasskey(int v) {
    std::string s;
    for (int bit = 512; bit >= 1; bit >>= 1) s += (v & bit) ? kRightArrow : kLeftArrow;
    return s + kEnterMark;
}

} // namespace corv::logitech
