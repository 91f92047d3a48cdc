#pragma once

// Apple events to the login window, shell commands and processes.

#include "platform/LoginWindow.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corv::engine {

inline constexpr platform::FourCharCode kSleepEvent = platform::fourCharCode("slep");
inline constexpr platform::FourCharCode kLogOutEvent = platform::fourCharCode("rlgo");

// A core Apple event to the login window, without waiting for a reply.
void sendLoginWindowEvent(platform::FourCharCode eventId);

struct ShellResult {
    bool launched = false;
    // The output and error text; nothing when it is not UTF-8.
    std::optional<std::string> output;
};

// Runs "/bin/zsh -c command" ("/bin/sh" when zsh is not installed) without
// blocking; `done` gets the result on the
// main queue once the output has ended.
void runShellCommand(const std::string& command, std::function<void(const ShellResult&)> done = {});

// Starts a program without waiting; false when it could not be started.
bool runProcess(const std::string& path, const std::vector<std::string>& arguments);

// The text when the bytes are valid UTF-8.
std::optional<std::string> decodeUtf8(const std::vector<std::uint8_t>& bytes);

} // namespace corv::engine
