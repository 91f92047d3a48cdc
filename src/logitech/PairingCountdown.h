#pragma once

// The one-second countdown of a receiver's open pairing window. One timer
// serves every receiver: starting a countdown stops the previous one.

#include "platform/RunLoop.h"

namespace corv::logitech {

inline constexpr int kPairingWindowSeconds = 30;
inline constexpr double kPairingTick = 1.0;

struct PairingTimer {
    static PairingTimer& shared();
    PairingTimer() = default;
    ~PairingTimer();
    PairingTimer(const PairingTimer&) = delete;
    PairingTimer& operator=(const PairingTimer&) = delete;
    platform::TimerId timer = 0;  // 0: no countdown runs
};

// A repeating timer on the main run loop.
platform::TimerId makeCommonModesTimer(double interval, platform::Task block);

void startPairingCountdown(int receiver);
void stopPairingCountdown(int receiver);
void pairingCountdownTick(int receiver);

} // namespace corv::logitech
