#include "model/Application.h"

#include <tuple>

namespace corv {

namespace {

// Orders urls by their text, then by their parts, so that only equal urls
// are equivalent.
bool urlLess(const Url& a, const Url& b) {
    const std::string ta = a.absoluteString();
    const std::string tb = b.absoluteString();
    if (ta != tb) return ta < tb;
    if (a.relative() != b.relative()) return a.relative() < b.relative();
    if (!a.base() || !b.base()) return !a.base() && b.base();
    return urlLess(*a.base(), *b.base());
}

void combine(std::size_t& seed, std::size_t h) { seed ^= h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); }

std::size_t urlHash(const Url& url) {
    std::size_t seed = std::hash<std::string>{}(url.relative());
    if (url.base()) combine(seed, urlHash(*url.base()));
    return seed;
}

} // namespace

bool ApplicationOrder::operator()(const Application& a, const Application& b) const {
    if (a.name != b.name) return a.name < b.name;
    if (a.id != b.id) return a.id < b.id;
    return urlLess(a.url, b.url);
}

} // namespace corv

std::size_t std::hash<corv::Application>::operator()(const corv::Application& app) const noexcept {
    std::size_t seed = corv::urlHash(app.url);
    corv::combine(seed, std::hash<std::string>{}(app.name));
    corv::combine(seed, std::hash<std::string>{}(app.id));
    return seed;
}
