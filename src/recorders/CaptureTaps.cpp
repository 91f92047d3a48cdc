#include "recorders/CaptureTaps.h"

#include "model/Shared.h"
#include "platform/Platform.h"
#include "recorders/GestureRecorder.h"
#include "recorders/KeyBind.h"
#include "recorders/KeyRecorder.h"

namespace corv::recorders {

namespace {

void switchTap(const engine::TapSlot& slot, bool on) {
    if (on) {
        engine::setTapEnabled(slot);
    } else {
        engine::switchTapOff(slot);
    }
}

// A tap that timed out while its source was on the main loop was meant to
// run; one switched off since stays off.
void reenableAfterTimeout(const engine::TapSlot& slot) {
    if (slot.source != 0 && platform::eventTaps().mainLoopContains(slot.source)) engine::setTapEnabled(slot);
}

} // namespace

CaptureTaps& CaptureTaps::shared() { return Shared<CaptureTaps>::instance(); }

const engine::TapSlot& CaptureTaps::keyRecorderTap() {
    if (!key_) key_ = engine::createEventTap(kKeyRecorderTapMask, &keyRecorderTapCallback);
    return *key_;
}

const engine::TapSlot& CaptureTaps::gestureRecorderTap() {
    if (!gesture_) gesture_ = engine::createEventTap(kGestureRecorderTapMask, &gestureRecorderTapCallbackEntry);
    return *gesture_;
}

const engine::TapSlot& makeKeyRecorderTap() { return CaptureTaps::shared().keyRecorderTap(); }
const engine::TapSlot& makeGestureRecorderTap() { return CaptureTaps::shared().gestureRecorderTap(); }

void switchKeyRecorderTap(bool on) {
    // A capture starts afresh: a key whose up the tap missed while it was off
    // would otherwise hold the count above 0, and no combination would end.
    if (on) KeyBind::shared().clear();
    switchTap(makeKeyRecorderTap(), on);
}
void switchGestureRecorderTap(bool on) { switchTap(makeGestureRecorderTap(), on); }

std::optional<platform::Event> keyRecorderTapCallback(platform::TapProxy, std::uint32_t type, platform::Event event) {
    if (type == platform::eventType::TapDisabledByTimeout) reenableAfterTimeout(makeKeyRecorderTap());
    return recordKeyEvent(type, std::move(event));
}

std::optional<platform::Event> gestureRecorderTapCallbackEntry(platform::TapProxy, std::uint32_t type,
                                                               platform::Event event) {
    if (type == platform::eventType::TapDisabledByTimeout) reenableAfterTimeout(makeGestureRecorderTap());
    return gestureRecorderTapCallback(type, event);
}

} // namespace corv::recorders
