#pragma once

#include "logitech/DongleType.h"
#include "model/Observable.h"
#include "platform/HidDevices.h"

#include <array>
#include <optional>
#include <string>

namespace corv::logitech {

inline constexpr std::size_t kDongleCount = 4;
inline constexpr std::size_t kPairSlots = 6;
inline constexpr const char* kUnknownPairName = "---";

// One receiver.
struct Dongle {
    bool valid = false;
    platform::HidDeviceRef dev;  // its HID++ interface; none when empty
    DongleType dongleType = DongleType::Unifying;
    int pairing = -1;  // seconds left of an open pairing window; -1 closed
    int pairedCount = 0;
    std::array<bool, kPairSlots> paired{};
    std::array<std::string, kPairSlots> pairName{kUnknownPairName, kUnknownPairName, kUnknownPairName,
                                                 kUnknownPairName, kUnknownPairName, kUnknownPairName};
    std::array<bool, kPairSlots> connected{};
    std::optional<std::string> passkeyStr;
    int passkeyPos = 0;
};

using DongleList = std::array<Dongle, kDongleCount>;

// The attached receivers.
class Dongles : public ObservableObject {
public:
    static Dongles& shared();
    Published<DongleList> d{willChange_};
};

// The first valid receiver whose device is this one.
std::optional<std::size_t> findDongleIndex(const DongleList& list, const platform::HidDeviceRef& device);
std::optional<std::size_t> findDongleIndex(const platform::HidDeviceRef& device);

} // namespace corv::logitech
