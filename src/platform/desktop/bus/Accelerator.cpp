#include "platform/desktop/bus/Accelerator.h"

#include <linux/input.h>

#include <array>
#include <cctype>
#include <string>
#include <utility>

namespace corv::desktop {

namespace {

constexpr platform::EventFlags kShift = 0x20000, kControl = 0x40000, kOption = 0x80000, kCommand = 0x100000;

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::optional<platform::EventFlags> modifier(const std::string& name) {
    static constexpr std::array<std::pair<const char*, platform::EventFlags>, 10> table{{
        {"shift", kShift},   {"control", kControl}, {"ctrl", kControl}, {"primary", kControl}, {"alt", kOption},
        {"mod1", kOption},   {"super", kCommand},   {"mod4", kCommand}, {"meta", kCommand},    {"hyper", kCommand},
    }};
    for (const auto& [n, f] : table)
        if (name == n) return f;
    return std::nullopt;
}

// Key symbols by name (lower case), as GTK writes them.
std::optional<std::uint16_t> keyOf(const std::string& name) {
    static constexpr std::string_view rows[] = {"qwertyuiop", "asdfghjkl", "zxcvbnm"};
    static constexpr std::uint16_t rowStart[] = {KEY_Q, KEY_A, KEY_Z};
    if (name.size() == 1) {
        const char c = name[0];
        for (int r = 0; r < 3; ++r)
            if (auto at = rows[r].find(c); at != std::string_view::npos)
                return static_cast<std::uint16_t>(rowStart[r] + at);
        if (c == '0') return KEY_0;
        if (c >= '1' && c <= '9') return static_cast<std::uint16_t>(KEY_1 + (c - '1'));
    }
    if (name.size() >= 2 && name[0] == 'f' && std::isdigit(static_cast<unsigned char>(name[1]))) {
        const int n = std::stoi(name.substr(1));
        if (n >= 1 && n <= 10) return static_cast<std::uint16_t>(KEY_F1 + n - 1);
        if (n == 11) return KEY_F11;
        if (n == 12) return KEY_F12;
        return std::nullopt;
    }
    static constexpr std::array<std::pair<const char*, std::uint16_t>, 26> named{{
        {"space", KEY_SPACE},       {"tab", KEY_TAB},           {"return", KEY_ENTER},
        {"escape", KEY_ESC},        {"backspace", KEY_BACKSPACE}, {"delete", KEY_DELETE},
        {"insert", KEY_INSERT},     {"home", KEY_HOME},         {"end", KEY_END},
        {"page_up", KEY_PAGEUP},    {"page_down", KEY_PAGEDOWN}, {"left", KEY_LEFT},
        {"right", KEY_RIGHT},       {"up", KEY_UP},             {"down", KEY_DOWN},
        {"grave", KEY_GRAVE},       {"minus", KEY_MINUS},       {"equal", KEY_EQUAL},
        {"bracketleft", KEY_LEFTBRACE}, {"bracketright", KEY_RIGHTBRACE}, {"semicolon", KEY_SEMICOLON},
        {"apostrophe", KEY_APOSTROPHE}, {"comma", KEY_COMMA},   {"period", KEY_DOT},
        {"slash", KEY_SLASH},       {"backslash", KEY_BACKSLASH},
    }};
    for (const auto& [n, code] : named)
        if (name == n) return code;
    return std::nullopt;
}

} // namespace

std::optional<Accelerator> parseAccelerator(std::string_view text) {
    Accelerator out;
    while (!text.empty() && text.front() == '<') {
        const auto close = text.find('>');
        if (close == std::string_view::npos) return std::nullopt;
        const auto flag = modifier(lower(text.substr(1, close - 1)));
        if (!flag) return std::nullopt;
        out.flags |= *flag;
        text.remove_prefix(close + 1);
    }
    if (text.empty()) return std::nullopt;
    const auto key = keyOf(lower(text));
    if (!key) return std::nullopt;
    out.key = *key;
    return out;
}

} // namespace corv::desktop
