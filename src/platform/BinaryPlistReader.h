#pragma once

#include "platform/PlistValue.h"

#include <cstddef>

namespace corv::plist {

// Reads a binary property list that passed checkLimits(); throws CodingError
// on anything it cannot read.
std::unique_ptr<Value> readBinary(const unsigned char* data, std::size_t size);

} // namespace corv::plist
