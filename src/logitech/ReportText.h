#pragma once

// Pure decoders of the text a receiver's reports carry.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace corv::logitech {

// The bytes as UTF-8; nothing when they are not valid UTF-8.
std::optional<std::string> decodeUtf8(const std::uint8_t* bytes, std::size_t count);

// The bytes as UTF-8 without whitespace and control characters at either end
// (the zero bytes padding a name go away); nothing when not valid UTF-8.
std::optional<std::string> decodeTrimmedName(const std::uint8_t* bytes, std::size_t count);

// The number of characters (code points) of a UTF-8 text.
std::size_t characterCount(const std::string& text);

// A base-10 integer: an optional sign, then digits only.
std::optional<int> parseDecimal(const std::string& text);

// The passkey of a keyboard pairing: the digits and the enter mark.
std::string keyboardPasskey(const std::string& digits);

// The passkey of a mouse pairing: ten arrows for the bits of v from 512 down
// to 1 (right for a set bit, left for a clear one), then the enter mark.
std::string arrowPasskey(int v);

} // namespace corv::logitech
