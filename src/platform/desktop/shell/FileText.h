#pragma once

// A file's whole text, read through a descriptor that no program started
// meanwhile (from any thread) inherits, unlike a stream's.

#include <cstddef>
#include <optional>
#include <string>

namespace corv::desktop {

// Nothing when the file cannot be read or holds more than `limit` bytes.
std::optional<std::string> readFileText(const std::string& path, std::size_t limit = std::string::npos);

} // namespace corv::desktop
