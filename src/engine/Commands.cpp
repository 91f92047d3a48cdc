#include "engine/Commands.h"

#include "platform/Platform.h"

#include <utility>

namespace corv::engine {

namespace {

constexpr const char* kCommandShell = "/bin/zsh";
constexpr const char* kFallbackShell = "/bin/sh";

} // namespace

void sendLoginWindowEvent(platform::FourCharCode eventId) { platform::loginWindow().sendCoreEvent(eventId); }

void runShellCommand(const std::string& command, std::function<void(const ShellResult&)> done) {
    // Where the shell the command is written for is not installed, the
    // system's own shell runs it.
    const char* shell = platform::files().isExecutable(kCommandShell) ? kCommandShell : kFallbackShell;
    platform::processes().run(shell, {"-c", command}, [done = std::move(done)](std::optional<Bytes> output) {
        if (!done) return;
        ShellResult result;
        result.launched = output.has_value();
        if (output) result.output = decodeUtf8(*output);
        done(result);
    });
}

bool runProcess(const std::string& path, const std::vector<std::string>& arguments) {
    return platform::processes().spawn(path, arguments);
}

std::optional<std::string> decodeUtf8(const std::vector<std::uint8_t>& bytes) {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        const std::uint8_t c = bytes[i];
        std::size_t extra;
        std::uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return std::nullopt;
        }
        if (n - i <= extra) return std::nullopt;
        for (std::size_t k = 1; k <= extra; ++k) {
            const std::uint8_t cc = bytes[i + k];
            if ((cc & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (cc & 0x3F);
        }
        static constexpr std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
        i += extra + 1;
    }
    return std::string(bytes.begin(), bytes.end());
}

} // namespace corv::engine
