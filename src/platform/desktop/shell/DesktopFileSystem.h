#pragma once

#include "platform/FileSystem.h"

namespace corv::desktop {

class DesktopFileSystem final : public platform::FileSystem {
public:
    bool exists(const std::string& path) const override;
    std::optional<Bytes> readFile(const std::string& path) const override;
    bool writeFile(const std::string& path, const Bytes& data) override;
    std::string currentDirectory() const override;
    bool isDirectory(const std::string& path) const override;
    bool isExecutable(const std::string& path) const override;
    std::optional<Bytes> readPrefix(const std::string& path, std::size_t count) const override;
    std::string homeDirectory() const override;
};

} // namespace corv::desktop
