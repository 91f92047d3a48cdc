#pragma once

// The binary property-list writer: linear in the size of the tree. Repeated
// strings, numbers and Bools are written once and referred to.

#include "platform/Bytes.h"
#include "platform/PlistValue.h"

namespace corv::plist {

// Throws CodingError for node kinds settings never hold (dates, UIDs), for
// integers past 64 bits and for text that is not clean UTF-8.
Bytes writeBinary(const Value* root);

} // namespace corv::plist
