#pragma once

// A simulated Logitech keyboard that speaks HID++ 2.0: a table of features at
// their indexes, and the state behind the features the program uses. It takes
// one request and gives the reports it sends back; it is reached directly or
// through a receiver slot, which only carries the bytes.

#include "platform/Bytes.h"
#include "platform/sim/SimReceiver.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace corv::sim {

class SimKeyboard {
public:
    // HID++ 2.0 feature ids.
    enum Feature : std::uint16_t {
        kRoot = 0x0000,
        kBatteryLevel = 0x1000,
        kBatteryVoltage = 0x1001,
        kUnifiedBattery = 0x1004,
        kBacklight = 0x1982,
        kControls = 0x1B04,
        kFnInversion = 0x40A2,
        kFnInversionMultiHost = 0x40A3,
        kPlatforms = 0x4531,
    };

    // HID++ 2.0 error codes of error answers.
    static constexpr std::uint8_t kErrInvalidArgument = 0x02;
    static constexpr std::uint8_t kErrInvalidFeatureIndex = 0x06;
    static constexpr std::uint8_t kErrInvalidFunction = 0x07;

    struct Platform {
        std::uint8_t index = 0;
        std::uint8_t osMask = 0;
    };
    struct Control {
        std::uint16_t id = 0;
        std::uint8_t flags = 0;
        std::uint8_t reporting = 0;  // the last divert mode set: 0 none, 2 or 3
    };
    struct Backlight {
        bool on = true;
        std::uint8_t mode = 0;        // configuration byte 5
        std::uint8_t options = 0x7F;  // configuration byte 7
        std::uint8_t level = 0;
        std::uint8_t levels = 0;
        std::uint8_t status = 0;
        std::uint8_t effect = 0;
    };

    // What the keyboard does with a request of one feature and function.
    enum class Refusal {
        Drop,       // no answer at all
        Error,      // an error answer (invalid argument)
        KeepState,  // a setting is answered as if taken, but the old state stays
        Late,       // answered lateSeconds after the request
    };

    struct Reply {
        Bytes bytes;
        double delay = 0.0;  // seconds after the request
    };

    // The keyboard's HID++ device index: 0xFF reached directly, else its slot.
    std::uint8_t deviceIndex = 0xFF;

    // Feature id -> index in the keyboard's feature table; absent features
    // answer index 0 to the root.
    std::map<std::uint16_t, std::uint8_t> features;

    // Platforms (0x4531).
    std::vector<Platform> platforms;
    bool canChangePlatform = true;
    std::uint8_t currChannel = 0;
    std::uint8_t currPlatform = 0;

    // Reprogrammable controls (0x1B04).
    std::vector<Control> controls;

    // Battery in each of the three battery features.
    std::uint8_t batteryLevel = 50;        // 0x1000 byte 4
    std::uint8_t batteryStatus = 0;        // 0x1000 byte 6
    std::uint16_t batteryMillivolts = 3900;  // 0x1001 bytes 4-5
    std::uint8_t voltageFlags = 0;         // 0x1001 byte 6
    std::uint8_t unifiedLevel = 50;        // 0x1004 byte 4
    std::uint8_t unifiedCharging = 0;      // 0x1004 byte 6

    // Fn inversion, one state behind both features.
    bool fnInverted = false;

    Backlight backlight;

    std::map<std::pair<std::uint16_t, std::uint8_t>, Refusal> refusals;
    std::map<std::uint16_t, Refusal> rootRefusals;
    double lateSeconds = 3.5;

    // Every request taken, in order.
    std::vector<Bytes> received;

    // A keyboard holding the features at the given indexes.
    void addFeatures(std::initializer_list<std::pair<std::uint16_t, std::uint8_t>> table);
    void refuse(std::uint16_t feature, std::uint8_t function, Refusal how) { refusals[{feature, function}] = how; }
    // Refuses the root's answer for one asked feature id only.
    void refuseRoot(std::uint16_t asked, Refusal how) { rootRefusals[asked] = how; }

    // Takes one request (a 20-byte long report) and gives the reports sent back.
    std::vector<Reply> handle(const Bytes& request);

    // Pairs the keyboard into a receiver at a device index (1 to 6): the
    // receiver carries its requests and reports. Requests for other indexes go
    // where they went before.
    void pairWith(SimReceiver& receiver, std::uint8_t index);
    // Makes the keyboard's own HID++ interface, reached directly over the
    // transport ("Bluetooth" or "USB"); the caller attaches it.
    std::shared_ptr<SimHidDevice> makeDirectDevice(SimHidDevices& hid, const std::string& transport,
                                                   const std::string& product);
    // Sends a report the keyboard makes by itself, the way it is reached.
    void emit(Bytes report);

    // Reports the keyboard sends by itself (software id 0).
    Bytes divertedKeysEvent(std::initializer_list<std::uint16_t> held) const;
    Bytes fnInversionEvent(std::uint16_t feature) const;
    Bytes batteryEvent(std::uint16_t feature) const;
    Bytes platformEvent() const;

private:
    void answerThrough(const Bytes& request, const std::function<void(Bytes, double)>& out);

    std::function<void(Bytes, double)> out_;
    // Expires with the keyboard: the hooks it leaves in devices and receivers
    // stop calling it once it is gone.
    // A copy gets a token of its own; assigning over a keyboard expires its
    // hooks.
    struct AliveToken {
        std::shared_ptr<int> p = std::make_shared<int>(0);
        AliveToken() = default;
        AliveToken(const AliveToken&) {}
        AliveToken& operator=(const AliveToken&) {
            p = std::make_shared<int>(0);
            return *this;
        }
    };
    AliveToken alive_;

    std::optional<std::uint16_t> featureAt(std::uint8_t index) const;
    Bytes header(std::uint16_t feature, std::uint8_t byte3) const;
    // The state fields shared by an answer and the matching event.
    void putBattery(Bytes& b, std::uint16_t feature) const;
    void putPlatformInfo(Bytes& b) const;
    // The answer of a feature's function; none for an unknown function.
    std::optional<Bytes> answer(std::uint16_t feature, std::uint8_t function, const Bytes& request, bool keep);
};

} // namespace corv::sim
