#pragma once

// HID++ 1.0 receiver registers: the receiver's initialisation exchange and
// the name read of one pairing slot.

#include "logitech/DongleType.h"
#include "platform/HidDevices.h"

#include <functional>
#include <set>
#include <utility>

namespace corv::logitech {

// Results of hidppExchange.
enum ExchangeResult : int {
    kExchangeOk = 0,
    kExchangeReadFlagsFailed = 1,
    kExchangeWriteFlagsFailed = 2,
    kExchangeAnnounceFailed = 3,
    kExchangeNameReadFailed = 4,
};

// Makes the receiver send its notifications, announce its connected devices
// and report the names of its paired devices; `done` gets the result. When
// `cancelled` is given and returns true before a step, the exchange stops
// without calling `done`.
void hidppExchange(const platform::HidDeviceRef& device, DongleType type, std::function<void(int)> done,
                   std::function<bool()> cancelled = {});

// Asks receiver `receiver` for the name in pairing slot `slot`; the answer
// reaches the parser. A read of a slot whose read is still pending is merged
// into it.
void readPairedDeviceName(int receiver, int slot);

// The name reads of this receiver's slots not yet done.
std::size_t pendingNameReads(const platform::HidDevice* receiver);

} // namespace corv::logitech
