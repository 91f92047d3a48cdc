#pragma once

// Sleep and a session switched away close the HID managers and save; wake
// and the session's return re-enable the engine taps the panel has not
// paused, restart multitouch and the display link a second later and find
// the Logitech devices anew; termination takes everything down. Main thread.

namespace corv::app {

// Multitouch and the display link restart this long after a wake.
inline constexpr double kRestartAfterWakeDelay = 1.0;
// The longest a wake's re-discovery waits for a radio whose state is still
// unknown or resetting.
inline constexpr double kBluetoothWakeWait = 5.0;

void onSleepNote();
void onWakeNote();
void restartAfterWake();
// The wake's re-discovery of the Logitech devices, once per sleep.
void rediscoverDevices();
// False when the settings should have been saved and could not be.
bool applicationWillTerminate();

} // namespace corv::app
