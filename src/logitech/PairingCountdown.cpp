#include "logitech/PairingCountdown.h"

#include "logitech/Dongles.h"
#include "model/Shared.h"
#include "platform/Platform.h"

namespace corv::logitech {

namespace {

void invalidate() {
    auto& t = PairingTimer::shared();
    if (t.timer) platform::runLoop().cancel(t.timer);
    t.timer = 0;
}

bool validReceiver(int receiver) { return receiver >= 0 && receiver < static_cast<int>(kDongleCount); }

void setPairing(int receiver, int value) {
    Dongles::shared().d.modify([&](DongleList& l) { l[static_cast<std::size_t>(receiver)].pairing = value; });
}

} // namespace

PairingTimer& PairingTimer::shared() { return Shared<PairingTimer>::instance(); }

PairingTimer::~PairingTimer() {
    if (timer && platform::installed()) platform::runLoop().cancel(timer);
}

platform::TimerId makeCommonModesTimer(double interval, platform::Task block) {
    return platform::runLoop().repeating(interval, std::move(block));
}

void startPairingCountdown(int receiver) {
    if (!validReceiver(receiver)) return;
    setPairing(receiver, kPairingWindowSeconds);
    invalidate();
    PairingTimer::shared().timer = makeCommonModesTimer(kPairingTick, [receiver] { pairingCountdownTick(receiver); });
}

void stopPairingCountdown(int receiver) {
    if (!validReceiver(receiver)) return;
    setPairing(receiver, -1);
    invalidate();
}

void pairingCountdownTick(int receiver) {
    if (!validReceiver(receiver)) return;
    const int left = Dongles::shared().d()[static_cast<std::size_t>(receiver)].pairing;
    if (left >= 1) setPairing(receiver, left - 1);
    if (Dongles::shared().d()[static_cast<std::size_t>(receiver)].pairing < 1) invalidate();
}

} // namespace corv::logitech
