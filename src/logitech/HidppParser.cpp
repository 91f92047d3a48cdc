#include "logitech/HidppParser.h"

#include "logitech/Dongles.h"
#include "logitech/FeatureReport.h"
#include "logitech/Hidpp20.h"
#include "logitech/HidppExecutor.h"
#include "logitech/HidppReport.h"
#include "logitech/InitQueue.h"
#include "logitech/LogiHooks.h"
#include "logitech/LogiKeybs.h"
#include "logitech/PairingCountdown.h"
#include "logitech/PairingInfo.h"
#include "logitech/ReceiverRegisters.h"
#include "logitech/ReportText.h"

#include <string>

namespace corv::logitech {

using namespace hidpp;

namespace {

constexpr const char* kUnknownVendor = "Unknown";
constexpr std::uint8_t kMaxPasskeyLength = 16;

// Passkey key presses (0x4E, byte 3).
constexpr std::uint8_t kPasskeyStarted = 0;
constexpr std::uint8_t kPasskeyDigit = 1;
constexpr std::uint8_t kPasskeyErase = 2;
constexpr std::uint8_t kPasskeyFinished = 4;

// 0x4D: the passkey length at byte 3, its digits from byte 4, and the
// number of a mouse pairing at bytes 7 to 9.
constexpr std::size_t kPasskeyDigitsAt = 4;
constexpr std::size_t kArrowNumberAt = 7;
constexpr std::size_t kArrowNumberLength = 3;
// 0x4F: the part at byte 5, the device kind at byte 7.
constexpr std::size_t kPairingPartAt = 5;
constexpr std::size_t kPairingKindAt = 7;
// 0x83 0xB5 names.
constexpr std::size_t kNameAt = 6;
constexpr std::size_t kBoltNameAt = 7;

constexpr std::uint8_t kPairingWindowOpen = 1;
constexpr std::uint8_t kPairingWindowClosed = 0;

std::optional<std::string> manufacturer(const platform::HidDeviceRef& dev) {
    return dev->stringProperty(platform::kHidManufacturerKey);
}

void editDongle(std::size_t j, const std::function<void(Dongle&)>& edit) {
    Dongles::shared().d.modify([&](DongleList& l) { edit(l[j]); });
}

// Step 3a: the name of slot n arrived.
void slotNamed(const platform::HidDeviceRef& sender, std::size_t n, const std::optional<std::string>& name) {
    if (!name) return;
    auto j = findDongleIndex(sender);
    if (!j) return;
    const Dongle& d = Dongles::shared().d()[*j];
    if (*name != d.pairName[n] && d.paired[n]) {
        const auto vendor = manufacturer(sender);
        if (auto k = findKeyboardIndex(sender, static_cast<std::uint8_t>(n + 1))) {
            LogiKeybsUI::shared().k.modify([&](LogiKeybUIList& l) {
                l[*k].name.product = *name;
                l[*k].name.vendor = vendor.value_or(kUnknownVendor);
            });
            initQueueEnqueue(static_cast<int>(*k), false);
        }
    }
    editDongle(*j, [&](Dongle& e) { e.pairName[n] = *name; });
}

void passkeyShown(const platform::HidDeviceRef& sender, const std::uint8_t* r) {
    const std::uint8_t k = r[kAddressAt];
    const auto info = PairingInfo::shared().kind;
    if (info == 1) {
        auto t = decodeUtf8(r + kPasskeyDigitsAt, k);
        auto j = findDongleIndex(sender);
        if (t && j) {
            editDongle(*j, [&](Dongle& e) {
                e.passkeyStr = keyboardPasskey(*t);
                e.passkeyPos = 0;
            });
        }
    }
    if (info == 2) {
        auto text = decodeUtf8(r + kArrowNumberAt, kArrowNumberLength);
        auto v = text ? parseDecimal(*text) : std::nullopt;
        if (!v) return;
        if (auto j = findDongleIndex(sender)) {
            editDongle(*j, [&](Dongle& e) {
                e.passkeyStr = arrowPasskey(*v);
                e.passkeyPos = 0;
            });
        }
    }
}

void passkeyKeyPressed(const platform::HidDeviceRef& sender, std::uint8_t press) {
    auto j = findDongleIndex(sender);
    if (!j) return;
    editDongle(*j, [&](Dongle& e) {
        const int length = e.passkeyStr ? static_cast<int>(characterCount(*e.passkeyStr)) : 0;
        switch (press) {
        case kPasskeyStarted: e.passkeyPos = 0; break;
        case kPasskeyDigit:
            if (e.passkeyPos < length) ++e.passkeyPos;
            break;
        case kPasskeyErase:
            if (e.passkeyPos >= 1) --e.passkeyPos;
            break;
        case kPasskeyFinished: e.passkeyPos = length; break;
        default: break;
        }
    });
}

// Table A: long notifications of a receiver; false when the report is
// dropped before the executor sees it.
bool receiverLongNotice(const platform::HidDeviceRef& sender, const std::uint8_t* r) {
    switch (r[kSubIdAt]) {
    case kPasskey:
        if (r[kAddressAt] < 1 || r[kAddressAt] > kMaxPasskeyLength) return false;
        passkeyShown(sender, r);
        break;
    case kPasskeyKeyPress: passkeyKeyPressed(sender, r[kAddressAt]); break;
    case kPairingInformation:
        if (r[kPairingPartAt] == 0) PairingInfo::shared().kind = r[kPairingKindAt];
        break;
    case kPairingEnded:
        if (auto j = findDongleIndex(sender)) {
            editDongle(*j, [](Dongle& e) {
                e.passkeyStr.reset();
                e.passkeyPos = 0;
            });
        }
        break;
    case kGetLongRegister: {
        // Only the answer to the read in flight names a slot.
        if (r[kAddressAt] != kRegPairingInfo ||
            !HidppExecutor::shared().answersInFlight(HidppChannel::Receiver, sender, r, kLongLength))
            break;
        const std::uint8_t page = r[kParamsAt];
        if (page >= kNamePage && page < kNamePage + kPairSlots) {
            slotNamed(sender, page - kNamePage, decodeTrimmedName(r + kNameAt, kLongLength - kNameAt));
        } else if (page >= kBoltNamePage + 1 && page <= kBoltNamePage + kPairSlots) {
            slotNamed(sender, page - kBoltNamePage - 1, decodeTrimmedName(r + kBoltNameAt, kLongLength - kBoltNameAt));
        }
        break;
    }
    default: break;
    }
    return true;
}

// Algorithm 5: a device in slot d connected or lost its link.
void deviceConnection(const platform::HidDeviceRef& sender, std::uint8_t d, std::uint8_t info) {
    auto j = findDongleIndex(sender);
    if (!j) return;
    const std::size_t n = d - 1u;
    const bool linkLost = (info & kLinkLost) != 0;
    editDongle(*j, [&](Dongle& e) {
        if (!e.paired[n]) {
            e.paired[n] = true;
            e.pairedCount += 1;
        }
        e.connected[n] = !linkLost;
    });
    if ((info & kDeviceTypeMask) != kDeviceTypeKeyboard) return;
    if (linkLost) {
        if (auto k = findKeyboardIndex(sender, d)) releaseAndResetKeyboard(*k);
        return;
    }
    if (findKeyboardIndex(sender, d)) return;
    const auto vendor = manufacturer(sender);
    auto k = firstFreeKeyboard();
    if (!k) return;
    const std::string pairName = Dongles::shared().d()[*j].pairName[n];
    LogiKeybsNoUI::shared().k.modify([&](LogiKeybNoUIList& l) {
        l[*k].dev = sender;
        l[*k].usbIndex = d;
        l[*k].valid = true;
    });
    LogiKeybsUI::shared().k.modify([&](LogiKeybUIList& l) {
        l[*k].name.product = pairName;
        l[*k].name.vendor = vendor.value_or(kUnknownVendor);
        l[*k].valid = true;
    });
    if (pairName != kUnknownPairName) {
        initQueueEnqueue(static_cast<int>(*k), false);
    } else {
        // Queued behind whatever the receiver is busy with; the answer names
        // the keyboard and queues it.
        readPairedDeviceName(static_cast<int>(*j), static_cast<int>(n));
    }
}

void deviceDisconnected(const platform::HidDeviceRef& sender, std::uint8_t d, std::uint8_t why) {
    if (why != kUnpaired) return;
    auto j = findDongleIndex(sender);
    if (!j) return;
    const std::size_t n = d - 1u;
    editDongle(*j, [&](Dongle& e) {
        // A notice for an empty slot changes no count.
        if (e.paired[n] && e.pairedCount > 0) e.pairedCount -= 1;
        e.paired[n] = false;
        e.pairName[n] = kUnknownPairName;
        e.connected[n] = false;
    });
    if (auto k = findKeyboardIndex(sender, d)) releaseAndResetKeyboard(*k);
}

bool validSlotIndex(std::uint8_t d) { return d >= kFirstSlotIndex && d <= kLastSlotIndex; }

// Table B; false when the report is dropped before the executor sees it.
bool receiverShortNotice(const platform::HidDeviceRef& sender, const std::uint8_t* r) {
    const std::uint8_t d = r[kDeviceIndexAt];
    switch (r[kSubIdAt]) {
    case kDeviceDisconnected:
        if (!validSlotIndex(d)) return false;
        deviceDisconnected(sender, d, r[kAddressAt]);
        return true;
    case kDeviceConnection:
        if (!validSlotIndex(d)) return false;
        deviceConnection(sender, d, r[kParamsAt]);
        return true;
    case kPairingLock:
        if (auto j = findDongleIndex(sender)) {
            if (r[kAddressAt] == kPairingWindowOpen) startPairingCountdown(static_cast<int>(*j));
            if (r[kAddressAt] == kPairingWindowClosed) stopPairingCountdown(static_cast<int>(*j));
        }
        return true;
    case kPairingStatus:
        if (auto j = findDongleIndex(sender)) {
            if (r[kAddressAt] == 0)
                startPairingCountdown(static_cast<int>(*j));
            else
                stopPairingCountdown(static_cast<int>(*j));
        }
        return true;
    default: return true;
    }
}

// A keyboard's report: an event (software id 0), or an answer, taken only
// when it answers the request in flight.
void keyboardReport(HidppChannel channel, const platform::HidDeviceRef& sender, std::size_t k,
                    const std::uint8_t* report, std::size_t length) {
    const bool event = hidpp20::softwareIdOf(report[kAddressAt]) == 0;
    if (!event && !HidppExecutor::shared().answersInFlight(channel, sender, report, length)) return;
    if (auto& hook = LogiHooks::shared().keyboardReport) return hook(static_cast<int>(k), report, length);
    hidppFeatureReport(static_cast<int>(k), report, length);
}

} // namespace

void hidppReportCallback(const platform::HidDeviceRef& sender, std::uint32_t reportId, const std::uint8_t* report,
                         std::size_t length) {
    if (!sender || !report) return;
    if (reportId == kLongReportId && length == kLongLength && report[kReportIdAt] == kLongReportId) {
        if (auto k = findKeyboardIndex(sender, report[kDeviceIndexAt])) {
            keyboardReport(HidppChannel::Receiver, sender, *k, report, length);
        } else if (report[kDeviceIndexAt] == kReceiverIndex && !receiverLongNotice(sender, report)) {
            return;
        }
        HidppExecutor::shared().offer(HidppChannel::Receiver, sender, report, length);
        return;
    }
    if (reportId == kShortReportId && length == kShortLength && report[kReportIdAt] == kShortReportId) {
        if (receiverShortNotice(sender, report))
            HidppExecutor::shared().offer(HidppChannel::Receiver, sender, report, length);
    }
}

void hidppReportKeyboardCallback(const platform::HidDeviceRef& sender, std::uint32_t reportId,
                                 const std::uint8_t* report, std::size_t length) {
    if (!sender || !report) return;
    if (reportId != kLongReportId || length != kLongLength || report[kReportIdAt] != kLongReportId) return;
    const auto& list = LogiKeybsNoUI::shared().k();
    for (std::size_t k = 0; k < list.size(); ++k) {
        if (list[k].valid && list[k].dev && list[k].dev == sender) {
            keyboardReport(HidppChannel::Direct, sender, k, report, length);
            break;
        }
    }
    HidppExecutor::shared().offer(HidppChannel::Direct, sender, report, length);
}

} // namespace corv::logitech
