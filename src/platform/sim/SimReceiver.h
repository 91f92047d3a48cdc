#pragma once

#include "platform/sim/SimHidDevices.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corv::sim {

enum class SimReceiverKind { Unifying, Bolt, Lightspeed };

// A device paired into one of the receiver's slots.
struct SimPairedDevice {
    std::uint8_t kind = 0;  // 0 empty, 1 keyboard, 2 mouse
    std::string name;
    bool connected = true;
};

// A Logitech receiver's HID++ interface: the notification-flag register,
// six pairing slots, the connection notices that follow a write of register
// 0x02, name reads of register 0xB5, and the pairing notices. Requests can be
// dropped, delayed or answered with an error.
class SimReceiver {
public:
    SimReceiver(SimHidDevices& hid, SimReceiverKind kind, std::uint16_t productId = 0);

    void plugIn() { hid_.attach(device); }
    void unplug() { hid_.detach(device); }

    // Notices, as the receiver sends them.
    void announce(int slot);  // 0x41 for the slot's device, as it is now
    void unpair(int slot);    // clears the slot and sends 0x40 "unpaired"
    void pairingLock(bool open);
    void pairingInfo(std::uint8_t deviceKind);
    void passkey(const std::string& digits);
    void passkeyKey(std::uint8_t press);
    void pairingEnded();

    // Requests whose bytes from byte 2 on start with `match`.
    void drop(Bytes match, int times = -1);
    void delay(Bytes match, double seconds, int times = -1);
    void fail(Bytes match, std::uint8_t errorCode, int times = -1);

    std::shared_ptr<SimHidDevice> device;
    SimReceiverKind kind;
    std::array<SimPairedDevice, 6> slots{};
    std::uint8_t flags = 0;     // register 0x00, p1
    double replyDelay = 0;      // added to every answer
    std::vector<Bytes> unknown; // requests the receiver did not understand
    // Requests addressed to a paired device (device index 1 to 6).
    std::function<void(SimReceiver&, const Bytes&)> onDeviceRequest;

    // Sends a report from the receiver after replyDelay.
    void send(Bytes report, double extraDelay = 0);

private:
    enum class ModeKind { Drop, Delay, Error };
    struct Mode {
        Bytes match;
        ModeKind kind;
        double seconds;
        std::uint8_t error;
        int times;
    };
    void handle(const Bytes& request);
    void answer(const Bytes& request, double extraDelay);
    std::vector<Bytes> answersTo(const Bytes& request);

    SimHidDevices& hid_;
    std::vector<Mode> modes_;
};

} // namespace corv::sim
