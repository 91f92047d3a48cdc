#include "platform/UserDefaults.h"

namespace corv::platform {

std::optional<std::int64_t> UserDefaults::integer(const std::string& key) const {
    auto v = value(key);
    if (!v) return std::nullopt;
    if (auto* i = std::get_if<std::int64_t>(&*v)) return *i;
    return std::nullopt;
}

std::optional<Bytes> UserDefaults::data(const std::string& key) const {
    auto v = value(key);
    if (!v) return std::nullopt;
    if (auto* b = std::get_if<Bytes>(&*v)) return std::move(*b);
    return std::nullopt;
}

} // namespace corv::platform
