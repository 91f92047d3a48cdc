#include "engine/SystemKeys.h"

#include "engine/KeyCombo.h"
#include "engine/SessionPost.h"
#include "engine/SkyLight.h"

namespace corv::engine {

namespace {
constexpr std::int16_t kAuxControlButtons = 8;
constexpr std::int64_t kKeyPressed = 0xA00;
constexpr std::int64_t kKeyReleased = 0xB00;
} // namespace

void postSymbolicHotKey(std::uint32_t hotKey, bool clickThrough) {
    auto& ws = platform::windowServer();
    // A value that cannot be read names no key; posting key code 0 would type "a".
    auto value = ws.symbolicHotKeyValue(hotKey);
    if (!value) return;
    if (ws.isSymbolicHotKeyEnabled(hotKey)) {
        postKeyCombo(value->modifiers, 0, value->virtualKeyCode, clickThrough);
        return;
    }
    ws.setSymbolicHotKeyEnabled(hotKey, true);
    postKeyCombo(value->modifiers, 0, value->virtualKeyCode, clickThrough);
    ws.setSymbolicHotKeyEnabled(hotKey, false);
}

void postSystemKey(std::int64_t keyType, std::uint64_t modifierFlags) {
    auto& ws = platform::windowServer();
    const platform::Point at = ws.cursorLocation(skyLightConnection());
    const double now = platform::runLoop().now();
    for (std::int64_t state : {kKeyPressed, kKeyReleased}) {
        platform::SystemDefinedData data{kAuxControlButtons, (keyType << 16) | state, -1, -1};
        postAtSession(platform::Event::systemDefined(at, modifierFlags, now, data));
    }
}

} // namespace corv::engine
