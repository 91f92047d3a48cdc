#include "platform/desktop/bus/Accelerator.h"

#include <xkbcommon/xkbcommon.h>

#include <array>
#include <cctype>
#include <memory>
#include <utility>

namespace corv::desktop {

namespace {

constexpr platform::EventFlags kShift = 0x20000, kControl = 0x40000, kOption = 0x80000, kCommand = 0x100000;
// XKB's key codes are evdev's plus 8.
constexpr xkb_keycode_t kEvdevOffset = 8;

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

struct KeymapFree {
    void operator()(xkb_keymap* k) const { xkb_keymap_unref(k); }
};
using Keymap = std::unique_ptr<xkb_keymap, KeymapFree>;

Keymap compile(const std::string& layout) {
    static xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context) return nullptr;
    xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
    // "de(nodeadkeys)": layout and variant.
    std::string name = layout, variant;
    if (const auto open = layout.find('('); open != std::string::npos && layout.back() == ')') {
        name = layout.substr(0, open);
        variant = layout.substr(open + 1, layout.size() - open - 2);
    }
    const xkb_rule_names names{nullptr, nullptr, name.c_str(), variant.c_str(), nullptr};
    return Keymap(xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
}

// The layout's keymap, compiled once while it stays the same.
xkb_keymap* keymapOf(const std::string& layout) {
    static std::string cachedName;
    static Keymap cached;
    if (!cached || cachedName != layout) {
        cached = compile(layout.empty() ? "us" : layout);
        if (!cached) cached = compile("us");
        cachedName = layout;
    }
    return cached.get();
}

// The key that types the symbol: unshifted on some key if any, else shifted.
std::optional<std::uint16_t> keyTyping(xkb_keymap* keymap, xkb_keysym_t symbol) {
    for (xkb_level_index_t level = 0; level < 2; ++level)
        for (xkb_keycode_t code = xkb_keymap_min_keycode(keymap); code <= xkb_keymap_max_keycode(keymap); ++code) {
            if (code < kEvdevOffset || xkb_keymap_num_levels_for_key(keymap, code, 0) <= level) continue;
            const xkb_keysym_t* syms = nullptr;
            const int count = xkb_keymap_key_get_syms_by_level(keymap, code, 0, level, &syms);
            for (int i = 0; i < count; ++i)
                if (syms[i] == symbol) return static_cast<std::uint16_t>(code - kEvdevOffset);
        }
    return std::nullopt;
}

} // namespace

std::optional<Accelerator> parseAccelerator(std::string_view text, const std::string& layout) {
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
    // GTK writes letters in either case ("<Super>Q"): the key is the same.
    const xkb_keysym_t symbol =
        xkb_keysym_to_lower(xkb_keysym_from_name(std::string(text).c_str(), XKB_KEYSYM_CASE_INSENSITIVE));
    xkb_keymap* keymap = symbol == XKB_KEY_NoSymbol ? nullptr : keymapOf(layout);
    if (!keymap) return std::nullopt;
    const auto key = keyTyping(keymap, symbol);
    if (!key) return std::nullopt;
    out.key = *key;
    return out;
}

} // namespace corv::desktop
