#include "engine/MicMute.h"

#include "engine/MicStatusItem.h"
#include "engine/NotifWinManager.h"
#include "model/UIState.h"
#include "platform/AppControl.h"
#include "platform/Platform.h"

namespace corv::engine {

namespace {

constexpr platform::FourCharCode kMuteControl = platform::fourCharCode("mute");
constexpr platform::FourCharCode kInputScope = platform::fourCharCode("inpt");

void toggleInputMutes() {
    auto& audio = platform::audioInput();
    auto device = audio.defaultInputDevice();
    if (!device) return;
    auto controls = audio.controls(*device);
    if (!controls || controls->empty()) return;
    for (const auto& control : *controls) {
        if (control.classId != kMuteControl || control.scope != kInputScope) continue;
        auto value = audio.booleanValue(control.id);
        if (!value || !audio.setBooleanValue(control.id, !*value)) continue;
        auto now = audio.booleanValue(control.id);
        if (!now) continue;
        platform::runLoop().postFromAnyThread([muted = *now] { showMicMuteState(muted); });
    }
}

} // namespace

void toggleMicMute() { platform::background().run(&toggleInputMutes); }

void showMicMuteState(bool muted) {
    if (auto* item = MicStatusItem::shared().item) item->setVisible(muted);
    if (UIState::shared().micMuteNotif.get()) NotifWinManager::shared().show(muted ? "microphone.slash" : "microphone");
}

} // namespace corv::engine
