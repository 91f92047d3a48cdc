#include "model/ModifierLabels.h"

namespace corv {

namespace {

constexpr std::uint64_t kShift = 0x20100;
constexpr std::uint64_t kControl = 0x40100;
constexpr std::uint64_t kOption = 0x80100;
constexpr std::uint64_t kCommand = 0x100100;
constexpr std::uint64_t kFn = 0x800100;

constexpr std::array<ModifierLabel, kModifierLabelCount> kLabels{{
    {"None", 0},
    {"\u21E7", kShift},
    {"\u2303", kControl},
    {"\u2325", kOption},
    {"\u2318", kCommand},
    {"Fn", kFn},
    {"\u21E7\u2318", kShift | kCommand},
    {"\u2303\u2318", kControl | kCommand},
    {"\u2325\u2318", kOption | kCommand},
    {"Fn\u2318", kFn | kCommand},
    {"\u2303\u21E7", kControl | kShift},
    {"\u2325\u21E7", kOption | kShift},
    {"Fn\u21E7", kFn | kShift},
    {"\u2325\u2303", kOption | kControl},
    {"Fn\u2303", kFn | kControl},
    {"Fn\u2325", kFn | kOption},
}};

} // namespace

const std::array<ModifierLabel, kModifierLabelCount>& modifierLabelRows() { return kLabels; }

const std::unordered_map<std::string_view, std::uint64_t>& modifierLabelFlags() {
    static const auto table = [] {
        std::unordered_map<std::string_view, std::uint64_t> m;
        m.reserve(kLabels.size());
        for (const auto& row : kLabels) m.emplace(row.label, row.flags);
        return m;
    }();
    return table;
}

std::optional<std::uint64_t> modifierLabelFlag(std::string_view label) {
    const auto& t = modifierLabelFlags();
    auto it = t.find(label);
    if (it == t.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string_view> modifierLabelFor(std::uint64_t flags) {
    for (const auto& row : kLabels)
        if (row.flags == flags) return row.label;
    return std::nullopt;
}

} // namespace corv
