#include "platform/desktop/windows/SwayIpc.h"

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace corv::desktop {

namespace {

constexpr char kMagic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::size_t kHeader = sizeof kMagic + 8;
// A tree of thousands of windows stays well below this.
constexpr std::uint32_t kMaxPayload = 64u << 20;

} // namespace

SwayIpc::SwayIpc(const std::string& socketPath) {
    sockaddr_un address{};
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) return;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

SwayIpc::~SwayIpc() {
    if (fd_ >= 0) ::close(fd_);
}

void SwayIpc::shutdown() {
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
}

bool SwayIpc::send(std::uint32_t type, const std::string& payload) {
    if (fd_ < 0 || payload.size() > kMaxPayload) return false;
    std::string message(kMagic, sizeof kMagic);
    const auto length = static_cast<std::uint32_t>(payload.size());
    message.append(reinterpret_cast<const char*>(&length), 4);
    message.append(reinterpret_cast<const char*>(&type), 4);
    message += payload;
    std::size_t sent = 0;
    while (sent < message.size()) {
        const ssize_t n = ::send(fd_, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

bool SwayIpc::readAll(char* to, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd_, to + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

std::optional<SwayMessage> SwayIpc::receive() {
    if (fd_ < 0) return std::nullopt;
    char header[kHeader];
    if (!readAll(header, kHeader) || std::memcmp(header, kMagic, sizeof kMagic) != 0) return std::nullopt;
    std::uint32_t length = 0;
    SwayMessage message;
    std::memcpy(&length, header + sizeof kMagic, 4);
    std::memcpy(&message.type, header + sizeof kMagic + 4, 4);
    if (length > kMaxPayload) return std::nullopt;
    message.payload.resize(length);
    if (!readAll(message.payload.data(), length)) return std::nullopt;
    return message;
}

std::optional<std::string> SwayIpc::request(std::uint32_t type, const std::string& payload) {
    if (!send(type, payload)) return std::nullopt;
    while (auto message = receive()) {
        if (message->type & sway::kEventBit) continue;
        if (message->type != type) return std::nullopt;
        return std::move(message->payload);
    }
    return std::nullopt;
}

} // namespace corv::desktop
