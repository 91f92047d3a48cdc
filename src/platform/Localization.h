#pragma once

#include <string>
#include <string_view>

namespace corv::platform {

// The English text of a key from the program's string table; a key without
// an entry gives the key itself.
std::string localized(std::string_view key);

} // namespace corv::platform
