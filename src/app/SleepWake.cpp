#include "app/SleepWake.h"

#include "app/Subsystems.h"
#include "engine/DisplayLink.h"
#include "engine/EngineTaps.h"
#include "engine/LiveTaps.h"
#include "model/SettingsStore.h"
#include "model/Shared.h"
#include "model/UIState.h"
#include "platform/Platform.h"

#include <cstdint>
#include <utility>

namespace corv::app {

namespace {

struct SleepState {
    // Counts sleeps, so that a wake's delayed re-discovery lapses at the next one.
    std::uint64_t n = 0;
    // Between a sleep and the next wake: a sleep then does nothing more.
    bool asleep = false;
    // A save ran this turn; one more is due at the next turn.
    bool savedThisTurn = false;
    bool saveDue = false;
};

SleepState& sleepState() { return Shared<SleepState>::instance(); }
std::uint64_t& sleepCount() { return sleepState().n; }

// The first save of a turn runs at once; those asked for later in the same
// turn are merged into one on the next turn.
void saveMerged() {
    auto& s = sleepState();
    if (s.savedThisTurn) {
        s.saveDue = true;
        return;
    }
    s.savedThisTurn = true;
    platform::runLoop().post([] {
        auto& s = sleepState();
        s.savedThisTurn = false;
        if (std::exchange(s.saveDue, false)) saveSettings();
    });
    saveSettings();
}

} // namespace

void onSleepNote() {
    auto& s = sleepState();
    if (s.asleep) return;
    s.asleep = true;
    ++s.n;
    stopLogiDeviceMonitor();
    stopKeyboardHidManager();
    // No answer reaches a closed node: a request waiting for one would hold
    // back the first request after wake.
    endHidppRequests();
    setBluetoothDeviceInited(false);
    setBluetoothWaked(false);
    saveMerged();
}

void restartAfterWake() {
    startMultitouchDevices();
    engine::updateDisplayLink();
}

void rediscoverDevices() {
    if (bluetoothDeviceInited()) return;
    resetLogitechDevices();
    startLogiDeviceMonitor();
    startKeyboardHidManager();
    setBluetoothDeviceInited(true);
}

void onWakeNote() {
    sleepState().asleep = false;
    auto& ui = UIState::shared();
    if (!ui.bindingTabShowed.get()) engine::setTapEnabled(engine::gestureTap());
    engine::setTapEnabled(engine::clickTap());
    if (!ui.bindingTabShowed.get() && !ui.keyboardTabShowing.get()) engine::setTapEnabled(engine::keyTap());
    setBluetoothWaked(true);
    const bool bluetoothKeyboard = bluetoothKeyboardListed();
    auto& loop = platform::runLoop();
    loop.postAfter(kRestartAfterWakeDelay, &restartAfterWake);

    if (bluetoothKeyboard) {
        const auto state = bluetoothState();
        // Only a radio still finding its state is waited for, and not for
        // ever; one that is off or unsupported will not report powered on.
        if (state == platform::BluetoothState::Unknown || state == platform::BluetoothState::Resetting) {
            loop.postAfter(kBluetoothWakeWait, [sleeps = sleepCount()] {
                if (sleeps == sleepCount()) rediscoverDevices();
            });
            return;
        }
    }
    rediscoverDevices();
}

bool applicationWillTerminate() {
    engine::stopEngineTaps();
    stopLogiDeviceMonitor();
    stopKeyboardHidManager();
    clearKeyMappings();
    const bool saved = UIState::shared().quitWithoutSave.get() || saveSettings();
    restoreTrackpadScrollAcceleration();
    return saved;
}

} // namespace corv::app
