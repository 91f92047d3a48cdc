#pragma once

#include <cstdint>
#include <vector>

namespace corv {

using Bytes = std::vector<std::uint8_t>;

} // namespace corv
