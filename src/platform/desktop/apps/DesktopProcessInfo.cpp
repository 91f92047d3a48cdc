#include "platform/desktop/apps/DesktopProcessInfo.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace corv::desktop {

namespace {

std::string procEntry(std::int32_t pid, const char* leaf) { return "/proc/" + std::to_string(pid) + "/" + leaf; }

} // namespace

std::int32_t DesktopProcessInfo::currentPid() { return static_cast<std::int32_t>(::getpid()); }

std::optional<std::string> DesktopProcessInfo::executablePath(std::int32_t pid) {
    if (pid <= 0) return std::nullopt;
    std::error_code error;
    const auto target = std::filesystem::read_symlink(procEntry(pid, "exe"), error);
    if (error || target.empty()) return std::nullopt;
    return target.string();
}

std::optional<std::string> DesktopProcessInfo::name(std::int32_t pid) {
    if (pid <= 0) return std::nullopt;
    std::ifstream in(procEntry(pid, "comm"), std::ios::binary);
    if (!in) return std::nullopt;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (text.empty()) return std::nullopt;
    return text;
}

} // namespace corv::desktop
