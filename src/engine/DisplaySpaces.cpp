#include "engine/DisplaySpaces.h"

#include "engine/SkyLight.h"
#include "platform/Platform.h"

#include <limits>
#include <string>

namespace corv::engine {

namespace {

constexpr const char* kMainDisplay = "Main";

} // namespace

SpacePosition spacePositionAtPoint(platform::Point point) {
    const auto connection = skyLightConnection();
    auto& spaces = platform::spaces();
    const auto uuid = spaces.bestManagedDisplayForPoint(connection, point);
    const auto displays = spaces.managedDisplaySpaces(connection);
    if (!displays || displays->empty()) return {};

    for (const platform::ManagedDisplay& display : *displays) {
        if (!display.displayIdentifier) continue;
        const std::string& id = *display.displayIdentifier;
        if (id != uuid && id != kMainDisplay) continue;
        if (!display.spaces) continue;
        const platform::SpaceId current = spaces.currentSpace(connection, uuid ? *uuid : id);
        if (current == 0) continue;
        const auto& list = *display.spaces;
        const auto count = static_cast<std::int64_t>(list.size());
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].id64 == current) return {count, static_cast<std::int64_t>(i)};
        return {count, 0};
    }
    return {};
}

DisplaySize menuBarDisplaySize() {
    const auto connection = skyLightConnection();
    auto& spaces = platform::spaces();
    auto identifier = spaces.activeMenuBarDisplayIdentifier(connection);
    if (identifier == kMainDisplay) {
        const auto at = platform::windowServer().cursorLocation(connection);
        identifier = spaces.bestManagedDisplayForPoint(connection, at);
    }
    constexpr double inf = std::numeric_limits<double>::infinity();
    if (!identifier) return {inf, inf};
    auto& displays = platform::displays();
    const platform::DisplayId display = displays.displayIdForUuid(*identifier);
    if (display == 0) return {inf, inf};
    const auto mode = displays.currentMode(display);
    if (!mode) return {inf, inf};
    return {static_cast<double>(mode->width), static_cast<double>(mode->height)};
}

std::optional<platform::Screen> screenContainingPoint(platform::Point point) {
    const auto screens = platform::displays().screens();
    if (screens.size() == 1) return screens.front();
    for (const platform::Screen& screen : screens)
        if (screen.frame.contains(point)) return screen;
    return std::nullopt;
}

} // namespace corv::engine
