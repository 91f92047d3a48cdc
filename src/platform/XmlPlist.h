#pragma once

// XML property lists, through libplist.

#include "platform/PlistValue.h"

#include <cstddef>
#include <string>

namespace corv::plist {

// Nothing when libplist does not read the text (which passed checkLimits()).
std::unique_ptr<Value> readXml(const char* data, std::size_t size);
std::string writeXml(const Value& root);

} // namespace corv::plist
