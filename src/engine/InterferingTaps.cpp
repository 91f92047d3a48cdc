#include "engine/InterferingTaps.h"

#include "model/UIState.h"
#include "platform/Platform.h"

namespace corv::engine {

namespace {

// The length of the valid UTF-8 sequence at the start of the bytes; 0 when
// none starts there.
std::size_t validSequenceLength(std::string_view s) {
    const auto b0 = static_cast<unsigned char>(s[0]);
    if (b0 < 0x80) return 1;
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0;
        if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90;
        if (b0 == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (s.size() < len) return 0;
    for (std::size_t i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < (i == 1 ? lo : 0x80) || b > (i == 1 ? hi : 0xBF)) return 0;
    }
    return len;
}

} // namespace

std::string cStringAsUtf8(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string out;
    while (!bytes.empty()) {
        const std::size_t n = validSequenceLength(bytes);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            bytes.remove_prefix(1);
        } else {
            out.append(bytes.substr(0, n));
            bytes.remove_prefix(n);
        }
    }
    return out;
}

bool isSystemProcess(std::int32_t pid) {
    if (pid == 0) return true;
    if (auto own = platform::processInfo().partOfSystem(pid)) return *own;
    if (auto app = platform::workspace().runningApplication(pid);
        app && app->bundleIdentifier && app->bundleIdentifier->starts_with("com.apple."))
        return true;
    auto raw = platform::processInfo().executablePath(pid);
    if (!raw) return false;
    const std::string path = cStringAsUtf8(*raw);
    if (path.empty()) return false;
    if (path.starts_with("/System/")) return true;
    if (path.starts_with("/usr/") && !path.starts_with("/usr/local/")) return true;
    return path.starts_with("/bin/") || path.starts_with("/sbin/");
}

std::string processDisplayName(std::int32_t pid) {
    if (pid == 0) return "System / Global (PID 0)";
    if (auto app = platform::workspace().runningApplication(pid)) {
        if (app->localizedName) return *app->localizedName;
        if (app->executablePath) {
            const std::string& p = *app->executablePath;
            const auto slash = p.find_last_of('/');
            const std::string last = slash == std::string::npos ? p : p.substr(slash + 1);
            if (!last.empty()) return last;
        }
    }
    if (auto name = platform::processInfo().name(pid)) {
        std::string text = cStringAsUtf8(*name);
        if (!text.empty()) return text;
    }
    return "Unknown Process (PID " + std::to_string(pid) + ")";
}

void findInterferingEventTaps() {
    auto list = platform::eventTaps().tapList();
    if (!list || list->empty()) return;
    const std::int32_t own = platform::processInfo().currentPid();
    auto& found = UIState::shared().interferingApp;
    found.set({});
    for (const platform::EventTapInfo& tap : *list) {
        if (tap.options != platform::TapOptions::Default || tap.processBeingTapped != 0) continue;
        const std::int32_t pid = tap.tappingProcess;
        if (found.get().count(pid) || isSystemProcess(pid) || pid == own ||
            (tap.eventsOfInterest & kInterferingEventMask) == 0)
            continue;
        const std::string name = processDisplayName(pid);
        found.modify([&](std::map<std::int32_t, std::string>& m) { m[pid] = name; });
    }
}

} // namespace corv::engine
