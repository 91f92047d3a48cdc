#include "engine/CaptureSwitch.h"

#include "engine/EngineTaps.h"
#include "engine/KeyTap.h"
#include "engine/ModKeyPressed.h"
#include "model/UIState.h"

namespace corv::engine {

void beginGestureCapture() {
    UIState::shared().bindingTabShowed.set(true);
    switchTapOff(gestureTap());
    switchKeyTapOff();
}

void endGestureCapture() {
    auto& ui = UIState::shared();
    ui.bindingTabShowed.set(false);
    setTapEnabled(gestureTap());
    if (!ui.keyboardTabShowing.get()) setTapEnabled(keyTap());
}

void beginKeyCapture() {
    ModKeyPressed::shared().v.set({});
    UIState::shared().keyboardTabShowing.set(true);
    switchKeyTapOff();
}

void endKeyCapture() {
    auto& ui = UIState::shared();
    ui.keyboardTabShowing.set(false);
    // The gesture capture keeps the key tap paused while it is on.
    if (!ui.bindingTabShowed.get()) setTapEnabled(keyTap());
}

} // namespace corv::engine
