#pragma once

#include "platform/Bluetooth.h"
#include "platform/sim/SimJournal.h"

namespace corv::sim {

// A radio whose state reports the test makes with `report`.
class SimBluetooth final : public platform::Bluetooth {
public:
    void start(StateHandler h) override {
        handler = std::move(h);
        ++startCount;
        if (journal) journal->note("bluetooth start");
    }
    platform::BluetoothState state() const override { return current; }

    // Reports a state to the watcher, as the radio would.
    void report(platform::BluetoothState s) {
        current = s;
        if (handler) handler(s);
    }

    platform::BluetoothState current = platform::BluetoothState::Unknown;
    StateHandler handler;
    int startCount = 0;
    SimJournal* journal = nullptr;  // set by SimPlatform
};

} // namespace corv::sim
