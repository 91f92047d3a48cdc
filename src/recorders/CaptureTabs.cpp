#include "recorders/CaptureTabs.h"

#include "engine/CaptureSwitch.h"
#include "engine/ModKeyPressed.h"
#include "model/UIState.h"
#include "recorders/CaptureTaps.h"
#include "recorders/Highlights.h"
#include "recorders/KeyBind.h"

namespace corv::recorders {

namespace {

void clearKeyboardHighlights() {
    KeyHilited key = KeyHighlighted::shared().h.get();
    key.key.reset();
    KeyHighlighted::shared().h.set(key);
    CidHilited cid = LogiKeybHighlighted::shared().h.get();
    cid.cid.reset();
    LogiKeybHighlighted::shared().h.set(cid);
    PhyKeyHighlighted::shared().usage.set(std::nullopt);
}

void clearGestureHighlight() {
    GesHilited ges = GesHi::shared().h.get();
    ges.fgr = 0;
    GesHi::shared().h.set(ges);
}

} // namespace

void beginKeyCapture() {
    if (UIState::shared().keyboardTabShowing.get()) return;
    clearKeyboardHighlights();
    KeyBind::reset();
    engine::beginKeyCapture();
}

void endKeyCapture() {
    if (!UIState::shared().keyboardTabShowing.get()) return;
    clearKeyboardHighlights();
    engine::ModKeyPressed::shared().v.set({});
    // Leaves the key tap off while the trackpad tab keeps it paused.
    engine::endKeyCapture();
}

void beginGestureCapture() {
    if (UIState::shared().bindingTabShowed.get()) return;
    clearGestureHighlight();
    engine::beginGestureCapture();
    KeyBind::reset();
    switchGestureRecorderTap(true);
}

void endGestureCapture() {
    if (!UIState::shared().bindingTabShowed.get()) return;
    clearGestureHighlight();
    switchGestureRecorderTap(false);
    engine::endGestureCapture();
}

} // namespace corv::recorders
