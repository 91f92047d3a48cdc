#pragma once

// One connection to sway's IPC socket: messages framed as "i3-ipc", a 32-bit
// length and a 32-bit type in the machine's order, then a JSON payload.
// Blocking; used from one thread, except shutdown().

#include <cstdint>
#include <optional>
#include <string>

namespace corv::desktop {

namespace sway {
inline constexpr std::uint32_t kRunCommand = 0;
inline constexpr std::uint32_t kGetWorkspaces = 1;
inline constexpr std::uint32_t kSubscribe = 2;
inline constexpr std::uint32_t kGetTree = 4;
inline constexpr std::uint32_t kGetConfig = 9;
inline constexpr std::uint32_t kGetInputs = 100;
inline constexpr std::uint32_t kEventBit = 0x80000000u;
inline constexpr std::uint32_t kWorkspaceEvent = kEventBit | 0;
inline constexpr std::uint32_t kWindowEvent = kEventBit | 3;
inline constexpr std::uint32_t kInputEvent = kEventBit | 0x15;
} // namespace sway

struct SwayMessage {
    std::uint32_t type = 0;
    std::string payload;
};

class SwayIpc {
public:
    explicit SwayIpc(const std::string& socketPath);
    ~SwayIpc();
    SwayIpc(const SwayIpc&) = delete;
    SwayIpc& operator=(const SwayIpc&) = delete;

    bool connected() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    bool send(std::uint32_t type, const std::string& payload);
    // The next message; nothing once the connection broke or a message is
    // malformed or too long.
    std::optional<SwayMessage> receive();
    // Sends and reads the reply, passing over events.
    std::optional<std::string> request(std::uint32_t type, const std::string& payload = {});
    // Wakes a receive() blocked on another thread; every later call fails.
    void shutdown();

private:
    bool readAll(char* to, std::size_t size);
    int fd_ = -1;
};

} // namespace corv::desktop
