#pragma once

// A bounded look at untrusted property-list bytes before the parser sees them.
// The parser recurses once per nesting level and copies an object each time
// it is referenced again, so a small hostile file could exhaust the stack, the
// memory or the time. Lists past these limits are refused; real settings stay
// below them: a profile of 1000 applications with 100 named bindings each is
// 9 levels deep, under 3 million nodes and 10 MB. A list at the limits takes
// about a second and under a gigabyte to parse.

#include <cstddef>
#include <cstdint>
#include <string>

namespace corv::plist {

struct Limits {
    // Bytes of one property list (a whole settings file or defaults file).
    std::size_t maxBytes = std::size_t{64} << 20;
    // Containers inside containers; the top-level container is level 1.
    std::size_t maxDepth = 64;
    // Nodes once every shared reference is expanded: containers, dictionary
    // keys and values.
    std::uint64_t maxNodes = 6'000'000;
    // Elements of one array, or entries of one dictionary (libplist's XML
    // dictionaries slow down with their size).
    std::uint64_t maxEntries = 200'000;
    // Bytes of strings and data once every shared reference is expanded.
    std::uint64_t maxExpandedBytes = std::uint64_t{128} << 20;
    // Elements inside elements of an XML list (the <plist> element and its
    // content): the nesting limit plus the <plist> element.
    std::size_t maxXmlDepth = 65;
};

inline constexpr Limits kLimits{};

// Empty when the bytes are within the limits and every string can be parsed
// faithfully (no U+0000, no lone UTF-16 surrogate); otherwise why not. Does not
// say the bytes parse: the parser may still refuse them.
std::string checkLimits(const unsigned char* data, std::size_t size, const Limits& limits = kLimits);

} // namespace corv::plist
