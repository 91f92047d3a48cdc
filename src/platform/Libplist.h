#pragma once

// The libplist calls that changed in its 2.3, in one spelling for 2.2 and
// later. CORV_LIBPLIST_VERSION is major * 100 + minor, from pkg-config.

#include <plist/plist.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace corv::libplist {

// Frees the text plist_to_xml and plist_to_bin give.
inline void freeText(char* text) {
#if CORV_LIBPLIST_VERSION >= 203
    plist_mem_free(text);
#else
    plist_to_xml_free(text);
#endif
}

inline ::plist_t fromMemory(const char* data, std::uint32_t size) {
    ::plist_t root = nullptr;
#if CORV_LIBPLIST_VERSION >= 203
    plist_from_memory(data, size, &root, nullptr);
#else
    plist_from_memory(data, size, &root);
#endif
    return root;
}

// An integer node; `bits` in two's complement when negative. Every
// libplist keeps one 64-bit value and a width: 8 bytes is signed, 16 is
// unsigned above INT64_MAX.
inline ::plist_t newInteger(std::uint64_t bits, bool negative) {
    const bool huge = !negative && (bits >> 63) != 0;
#if CORV_LIBPLIST_VERSION >= 203
    // plist_new_uint makes 16 bytes already above INT32_MAX.
    return huge ? plist_new_uint(bits) : plist_new_int(static_cast<std::int64_t>(bits));
#else
    if (!huge) return plist_new_uint(bits);
    // Only the XML reader makes a 16-byte node here.
    const std::string doc = "<plist version=\"1.0\"><integer>" + std::to_string(bits) + "</integer></plist>";
    ::plist_t node = nullptr;
    plist_from_xml(doc.data(), static_cast<std::uint32_t>(doc.size()), &node);
    return node;
#endif
}

inline bool isNegative(::plist_t integer) {
#if CORV_LIBPLIST_VERSION >= 203
    return plist_int_val_is_negative(integer) != 0;
#else
    std::uint64_t bits = 0;
    plist_get_uint_val(integer, &bits);
    if ((bits >> 63) == 0) return false;
    // Only the way the node writes itself tells the width. Rare, so the cost is fine.
    ::plist_t copy = plist_copy(integer);
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(copy, &xml, &length);
    plist_free(copy);
    if (!xml) return false;
    const std::string_view text(xml, length);
    const auto at = text.find("<integer>");
    const bool negative = at != std::string_view::npos && text.substr(at + 9, 1) == "-";
    freeText(xml);
    return negative;
#endif
}

} // namespace corv::libplist
