#include "engine/EngineTaps.h"

#include "engine/KeyInterest.h"
#include "model/Shared.h"
#include "platform/Platform.h"

#include <utility>

namespace corv::engine {

namespace {

TapHandler passThrough(const TapSlot& (*slot)()) {
    return [slot](platform::TapProxy, std::uint32_t type, platform::Event event) -> std::optional<platform::Event> {
        if (type == platform::eventType::TapDisabledByTimeout) setTapEnabled(slot());
        return event;
    };
}

} // namespace

TapSlot createEventTap(std::uint64_t mask, platform::TapCallback callback) {
    auto& taps = platform::eventTaps();
    TapSlot slot;
    slot.tap = taps.createTap(platform::TapLocation::Session, platform::TapPlacement::TailAppend,
                              platform::TapOptions::Default, mask, std::move(callback));
    if (slot.tap != 0) {
        slot.source = taps.createRunLoopSource(slot.tap);
        taps.setEnabled(slot.tap, false);
    }
    return slot;
}

void setTapEnabled(const TapSlot& slot) {
    if (slot.tap == 0 || slot.source == 0) return;
    auto& taps = platform::eventTaps();
    taps.setEnabled(slot.tap, true);
    if (!taps.mainLoopContains(slot.source)) taps.addToMainLoop(slot.source);
}

void switchTapOff(const TapSlot& slot) {
    auto& taps = platform::eventTaps();
    if (slot.source != 0 && taps.mainLoopContains(slot.source)) taps.removeFromMainLoop(slot.source);
    if (slot.tap != 0) taps.setEnabled(slot.tap, false);
}

EngineTaps& EngineTaps::shared() { return Shared<EngineTaps>::instance(); }

EngineTaps::EngineTaps()
    : gestureHandler(passThrough(&engine::gestureTap)),
      clickHandler(passThrough(&engine::clickTap)),
      keyHandler(passThrough(&engine::keyTap)) {}

const TapSlot& EngineTaps::gestureTap() {
    if (!gesture_) gesture_ = createEventTap(kGestureTapMask, &gestureTapCallback);
    return *gesture_;
}

const TapSlot& EngineTaps::clickTap() {
    if (!click_) click_ = createEventTap(kClickTapMask, &clickTapCallback);
    return *click_;
}

const TapSlot& EngineTaps::keyTap() {
    if (!key_) {
        key_ = createEventTap(kKeyTapMask, &keyTapCallback);
        updateKeyInterest();
    }
    return *key_;
}

const TapSlot& gestureTap() { return EngineTaps::shared().gestureTap(); }
const TapSlot& clickTap() { return EngineTaps::shared().clickTap(); }
const TapSlot& keyTap() { return EngineTaps::shared().keyTap(); }

std::optional<platform::Event> gestureTapCallback(platform::TapProxy proxy, std::uint32_t type,
                                                  platform::Event event) {
    return EngineTaps::shared().gestureHandler(proxy, type, std::move(event));
}

std::optional<platform::Event> clickTapCallback(platform::TapProxy proxy, std::uint32_t type, platform::Event event) {
    return EngineTaps::shared().clickHandler(proxy, type, std::move(event));
}

std::optional<platform::Event> keyTapCallback(platform::TapProxy proxy, std::uint32_t type, platform::Event event) {
    return EngineTaps::shared().keyHandler(proxy, type, std::move(event));
}

} // namespace corv::engine
