#include "model/ClickIds.h"

#include <utility>

namespace corv {

namespace {

constexpr std::array<std::pair<std::string_view, std::int64_t>, 4> kClicks{{
    {"No Click", ClickId::NoClick},
    {"L Click", ClickId::Left},
    {"R Click", ClickId::Right},
    {"Middle Click", ClickId::Middle},
}};

} // namespace

const std::unordered_map<std::string_view, std::int64_t>& clickIds() {
    static const std::unordered_map<std::string_view, std::int64_t> table(kClicks.begin(), kClicks.end());
    return table;
}

std::optional<std::int64_t> clickId(std::string_view name) {
    const auto& t = clickIds();
    auto it = t.find(name);
    if (it == t.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string_view> clickNameFor(std::int64_t id) {
    for (const auto& [name, number] : kClicks)
        if (number == id) return name;
    return std::nullopt;
}

} // namespace corv
