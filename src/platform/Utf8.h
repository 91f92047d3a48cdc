#pragma once

#include <string_view>

namespace corv {

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF) and hold no U+0000: the strings that survive a
// round trip through every property-list reader.
bool isCleanUtf8(std::string_view s);

} // namespace corv
