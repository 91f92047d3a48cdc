#pragma once

// The binary property-list writer: linear in the size of the tree. Repeated
// strings, numbers and Bools are written once and referred to.

#include "platform/Bytes.h"

typedef void* plist_t;

namespace corv::plist {

// Throws CodingError for node kinds settings never hold (dates, UIDs) and for
// text that is not clean UTF-8.
Bytes writeBinary(plist_t root);

} // namespace corv::plist
