#include "platform/desktop/input/DesktopHidSystem.h"

namespace corv::desktop {

int DesktopHidSystem::post(platform::HidHandle handle, std::uint32_t eventType, platform::HidPoint location,
                           const platform::HidEventData& data, std::uint32_t, std::uint32_t eventFlags,
                           std::uint32_t) {
    namespace et = platform::eventType;
    if (handle == 0) return -1;
    if (eventType != et::KeyDown && eventType != et::KeyUp && eventType != et::FlagsChanged) return -1;
    const auto keyCode = static_cast<std::uint16_t>(data[platform::kHidEventDataKeyCodeOffset] |
                                                    (data[platform::kHidEventDataKeyCodeOffset + 1] << 8));
    platform::Event e = platform::Event::keyboard(keyCode, eventType == et::KeyDown);
    e.setType(eventType);
    e.setFlags(eventFlags);
    e.setLocation(platform::Point{static_cast<double>(location.x), static_cast<double>(location.y)});
    chain_.post(platform::TapLocation::Hid, e);
    return 0;
}

} // namespace corv::desktop
