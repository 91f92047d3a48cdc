#include "engine/HIDPostManager.h"

#include "engine/EventKinds.h"
#include "model/Shared.h"
#include "platform/Platform.h"

namespace corv::engine {

namespace {
constexpr std::uint32_t kEventDataVersion = 2;
} // namespace

HIDPostManager& HIDPostManager::shared() { return Shared<HIDPostManager>::instance(); }

HIDPostManager::HIDPostManager() { systemHandle = platform::hidSystem().open(); }

HIDPostManager::~HIDPostManager() {
    if (systemHandle != 0 && platform::installed()) platform::hidSystem().close(systemHandle);
}

void postModifierMarker(std::uint32_t flags) {
    const platform::HidHandle handle = HIDPostManager::shared().systemHandle;
    if (handle == 0) return;
    platform::HidEventData data{};
    data[platform::kHidEventDataKeyCodeOffset] = kModifierMarkerKeyCode & 0xFF;
    data[platform::kHidEventDataKeyCodeOffset + 1] = kModifierMarkerKeyCode >> 8;
    platform::hidSystem().post(handle, raw(NXEventType::NX_FLAGSCHANGED), platform::HidPoint{0, 0}, data,
                               kEventDataVersion, flags, platform::kHidSetGlobalEventFlags);
}

} // namespace corv::engine
