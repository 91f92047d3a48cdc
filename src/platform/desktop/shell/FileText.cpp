#include "platform/desktop/shell/FileText.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace corv::desktop {

std::optional<std::string> readFileText(const std::string& path, std::size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    std::string text;
    char buf[4096];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (text.size() + static_cast<std::size_t>(n) > limit) {
            ok = false;
            break;
        }
        text.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!ok) return std::nullopt;
    return text;
}

} // namespace corv::desktop
