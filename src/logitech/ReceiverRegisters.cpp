#include "logitech/ReceiverRegisters.h"

#include "logitech/Dongles.h"
#include "logitech/HidppExecutor.h"
#include "logitech/HidppReport.h"
#include "model/Shared.h"

#include <memory>

namespace corv::logitech {

using namespace hidpp;

namespace {

// The register 0xB5 page holding the name of a slot.
std::uint8_t namePage(DongleType type, std::size_t slot) {
    return static_cast<std::uint8_t>(type == DongleType::Bolt ? kBoltNamePage + 1 + slot : kNamePage + slot);
}

// One exchange: a 20-byte request buffer whose bytes each step rewrites only
// where it says, as the receiver expects the same trailing bytes.
class Exchange : public std::enable_shared_from_this<Exchange> {
public:
    Exchange(platform::HidDeviceRef dev, DongleType type, std::function<void(int)> done,
             std::function<bool()> cancelled)
        : dev_(std::move(dev)), type_(type), done_(std::move(done)), cancelled_(std::move(cancelled)) {
        buf_[kReportIdAt] = kShortReportId;
        buf_[kDeviceIndexAt] = kReceiverIndex;
        buf_[kSubIdAt] = kGetShortRegister;
        buf_[kAddressAt] = kRegNotificationFlags;
    }

    void start() {
        send([self = shared_from_this()](const HidppReply& r) { self->afterFlagsRead(r); });
    }

private:
    void send(HidppDone next) {
        if (cancelled_ && cancelled_()) return;
        sendHidppShort(dev_, buf_, std::move(next));
    }
    void finish(int result) {
        if (cancelled_ && cancelled_()) return;
        if (done_) done_(result);
    }

    void afterFlagsRead(const HidppReply& r) {
        if (!r.answered()) return finish(kExchangeReadFlagsFailed);
        // After an error answer the flags are unknown: write them.
        const std::uint8_t p1 = r.ok() && r.report.size() > kParamsAt + 1 ? r.report[kParamsAt + 1] : 0;
        const std::uint8_t wanted = kFlagWireless | kFlagSoftwarePresent;
        if ((p1 & wanted) != wanted) {
            buf_[kSubIdAt] = kSetShortRegister;
            buf_[kParamsAt + 1] = wanted;
            send([self = shared_from_this()](const HidppReply& w) {
                if (!w.answered()) return self->finish(kExchangeWriteFlagsFailed);
                self->announce();
            });
            return;
        }
        announce();
    }

    void announce() {
        buf_[kSubIdAt] = kSetShortRegister;
        buf_[kAddressAt] = kRegConnectionState;
        buf_[kParamsAt] = kAnnounceDevices;
        send([self = shared_from_this()](const HidppReply& r) {
            if (!r.answered()) return self->finish(kExchangeAnnounceFailed);
            self->readNames();
        });
    }

    void readNames() {
        buf_[kSubIdAt] = kGetLongRegister;
        buf_[kAddressAt] = kRegPairingInfo;
        if (!findDongleIndex(dev_)) return closingWrite();
        nextName();
    }

    void nextName() {
        // A Lightspeed receiver has one slot to name.
        const std::size_t slots = type_ == DongleType::Lightspeed ? 1 : kPairSlots;
        if (nextSlot_ >= slots) return closingWrite();
        buf_[kParamsAt] = namePage(type_, nextSlot_++);
        if (type_ == DongleType::Bolt) buf_[kParamsAt + 1] = kBoltNamePart;
        send([self = shared_from_this()](const HidppReply& r) {
            if (!r.answered()) return self->finish(kExchangeNameReadFailed);
            self->nextName();
        });
    }

    void closingWrite() {
        buf_[kSubIdAt] = kSetShortRegister;
        buf_[kAddressAt] = kRegConnectionState;
        buf_[kParamsAt] = kAnnounceDevices;
        send([self = shared_from_this()](const HidppReply& r) {
            self->finish(r.answered() ? kExchangeOk : kExchangeAnnounceFailed);
        });
    }

    platform::HidDeviceRef dev_;
    DongleType type_;
    std::function<void(int)> done_;
    std::function<bool()> cancelled_;
    Bytes buf_ = Bytes(kLongLength, 0);
    std::size_t nextSlot_ = 0;
};

// The (receiver, slot) name reads queued or in flight.
struct NameReads {
    std::set<std::pair<const platform::HidDevice*, int>> pending;
};

NameReads& nameReads() { return Shared<NameReads>::instance(); }

} // namespace

void hidppExchange(const platform::HidDeviceRef& device, DongleType type, std::function<void(int)> done,
                   std::function<bool()> cancelled) {
    std::make_shared<Exchange>(device, type, std::move(done), std::move(cancelled))->start();
}

void readPairedDeviceName(int receiver, int slot) {
    if (receiver < 0 || receiver >= static_cast<int>(kDongleCount) || slot < 0 || slot >= static_cast<int>(kPairSlots))
        return;
    const Dongle& d = Dongles::shared().d()[static_cast<std::size_t>(receiver)];
    if (!d.valid || !d.dev || !d.paired[static_cast<std::size_t>(slot)]) return;
    const std::uint8_t part = d.dongleType == DongleType::Bolt ? kBoltNamePart : 0x00;
    const auto key = std::make_pair(static_cast<const platform::HidDevice*>(d.dev.get()), slot);
    if (!nameReads().pending.insert(key).second) return;
    Bytes request{kShortReportId, kReceiverIndex, kGetLongRegister, kRegPairingInfo,
                  namePage(d.dongleType, static_cast<std::size_t>(slot)), part, 0x00};
    // The queue holds the device until the callback, so the key stays its own.
    sendHidppShort(d.dev, std::move(request), [key](const HidppReply&) { nameReads().pending.erase(key); });
}

std::size_t pendingNameReads(const platform::HidDevice* receiver) {
    std::size_t n = 0;
    for (const auto& [dev, slot] : nameReads().pending) n += dev == receiver ? 1 : 0;
    return n;
}

} // namespace corv::logitech
