#pragma once

// Muting the default input device.

namespace corv::engine {

// Toggles every input mute control of the default input device, off the main
// thread; each new state is then shown on the main queue.
void toggleMicMute();

// The microphone status item shows while muted; with the notification
// switched on, the muted or unmuted symbol is shown too. Main thread.
void showMicMuteState(bool muted);

} // namespace corv::engine
