#pragma once

#include "platform/Bytes.h"

#include <cstddef>
#include <optional>
#include <string>

namespace corv::platform {

// Files are read whole only up to this size: a hostile file must not fill the
// memory, and no file the program reads whole comes near it.
inline constexpr std::size_t kMaxReadFileBytes = std::size_t{256} << 20;

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Whether any entry (a directory included) exists at the path.
    virtual bool exists(const std::string& path) const = 0;
    // The whole content of a regular file; nothing when it cannot be read or
    // is larger than kMaxReadFileBytes.
    virtual std::optional<Bytes> readFile(const std::string& path) const = 0;
    // Replaces the file's content atomically; false on failure.
    virtual bool writeFile(const std::string& path, const Bytes& data) = 0;
    virtual std::string currentDirectory() const = 0;
    virtual bool isDirectory(const std::string& path) const = 0;
    // Whether the user may execute the entry (search it, for a directory).
    virtual bool isExecutable(const std::string& path) const = 0;
    // At most `count` bytes from the start of a file; nothing when it cannot
    // be opened or read.
    virtual std::optional<Bytes> readPrefix(const std::string& path, std::size_t count) const = 0;
    // The user's home directory, without a trailing slash.
    virtual std::string homeDirectory() const = 0;
};

} // namespace corv::platform
