#include "platform/desktop/input/InputNodeHolders.h"

#include "platform/desktop/shell/FileText.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace corv::desktop {

namespace {

// Short names as the kernel keeps them (at most 15 bytes).
constexpr std::array<std::string_view, 22> kSeatInfrastructure{
    "Xorg",      "X",          "Xwayland", "systemd-logind", "elogind-daemon", "elogind",
    "gnome-shell", "mutter",   "kwin_wayland", "kwin_wayland_wr", "kwin_x11", "sway",
    "weston",    "Hyprland",   "wayfire",  "labwc",          "river",          "niri",
    "cage",      "gamescope",  "cosmic-comp", "mutter-x11-fram",
};

// Read close-on-exec: this runs on a background thread while programs may be started.
std::string command(const std::string& procRoot, const char* pid) {
    std::string line = readFileText(procRoot + "/" + pid + "/comm", 256).value_or(std::string{});
    if (const auto nl = line.find('\n'); nl != std::string::npos) line.resize(nl);
    return line;
}

} // namespace

std::vector<std::int32_t> NodeHolders::listed() const {
    if (!pids.empty() || infrastructure) return pids;
    return {-1};
}

bool seatInfrastructure(std::string_view command) {
    return std::find(kSeatInfrastructure.begin(), kSeatInfrastructure.end(), command) != kSeatInfrastructure.end();
}

NodeHolders inputNodeHolders(const std::string& devnode, const std::string& procRoot) {
    NodeHolders out;
    DIR* proc = ::opendir(procRoot.c_str());
    if (!proc) return out;
    const pid_t self = ::getpid();
    while (dirent* e = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(e->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self) continue;
        const std::string fdDir = procRoot + "/" + e->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds) continue;  // another user's: not ours to read
        bool holds = false;
        while (dirent* f = ::readdir(fds)) {
            char target[512];
            const ssize_t n = ::readlink((fdDir + "/" + f->d_name).c_str(), target, sizeof target - 1);
            if (n > 0 && devnode == std::string_view(target, static_cast<std::size_t>(n))) {
                holds = true;
                break;
            }
        }
        ::closedir(fds);
        if (!holds) continue;
        if (seatInfrastructure(command(procRoot, e->d_name))) out.infrastructure = true;
        else out.pids.push_back(static_cast<std::int32_t>(pid));
    }
    ::closedir(proc);
    std::sort(out.pids.begin(), out.pids.end());
    return out;
}

} // namespace corv::desktop
