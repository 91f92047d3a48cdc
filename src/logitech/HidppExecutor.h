#pragma once

// The one path for HID++ requests. Requests to one device go out one at a
// time, in order; each ends in exactly one call of its callback on the main
// thread: answered, answered with an error, timed out, or not sent.

#include "platform/Bytes.h"
#include "platform/HidDevices.h"
#include "platform/RunLoop.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>

namespace corv::logitech {

// Which parser's reports may answer: those of devices found by discovery, or
// those of keyboards opened by the keyboard HID manager.
enum class HidppChannel { Receiver, Direct };

enum class HidppOutcome { Answered, ErrorAnswer, TimedOut, NotSent };

struct HidppReply {
    HidppOutcome outcome = HidppOutcome::NotSent;
    Bytes report;  // the answering report, as delivered; empty without one

    bool ok() const { return outcome == HidppOutcome::Answered; }
    // An answer came, normal or error.
    bool answered() const { return ok() || outcome == HidppOutcome::ErrorAnswer; }
    // The error code of an error answer; 0 otherwise.
    std::uint8_t errorCode() const;
};

using HidppDone = std::function<void(const HidppReply&)>;

inline constexpr double kHidppTimeout = 3.0;
// Requests one device may hold, the one in flight included; one beyond is
// not sent.
inline constexpr std::size_t kHidppQueueLimit = 256;

class HidppExecutor {
public:
    static HidppExecutor& shared();
    HidppExecutor() = default;
    ~HidppExecutor();
    HidppExecutor(const HidppExecutor&) = delete;
    HidppExecutor& operator=(const HidppExecutor&) = delete;

    // Queues the request; its first `length` bytes are written as report
    // `reportId` when the device's earlier requests are done. A request
    // shorter than `length`, without a device, or beyond the device's
    // kHidppQueueLimit, is not sent.
    void send(const platform::HidDeviceRef& device, HidppChannel channel, Bytes request, std::uint8_t reportId,
              std::size_t length, HidppDone done);

    // A report from the device, after its parser's own handling. Completes the
    // device's request in flight when the report answers it; true then.
    bool offer(HidppChannel channel, const platform::HidDeviceRef& sender, const std::uint8_t* report,
               std::size_t length);

    // Whether the report would answer the device's request in flight.
    bool answersInFlight(HidppChannel channel, const platform::HidDeviceRef& sender, const std::uint8_t* report,
                         std::size_t length) const;

    // The device's requests not yet done, the one in flight included.
    std::size_t pending(const platform::HidDevice* device) const;

    // Ends every device's queue, as when their nodes are closed: each request
    // not yet done, the one in flight included, ends not sent on a later turn.
    // A request sent after it goes out at once.
    void endQueues();

private:
    struct Request {
        HidppChannel channel;
        Bytes bytes;
        std::uint8_t reportId;
        std::size_t length;
        HidppDone done;
        bool inFlight = false;
        platform::TimerId timer = 0;
        std::uint64_t serial = 0;
    };
    struct DeviceQueue {
        platform::HidDeviceRef device;
        std::deque<Request> requests;
    };

    void pump(platform::HidDevice* key);
    const Request* inFlight(HidppChannel channel, const platform::HidDeviceRef& sender) const;
    void finishHead(platform::HidDevice* key, HidppReply reply);

    std::map<platform::HidDevice*, DeviceQueue> queues_;
    std::uint64_t nextSerial_ = 1;
    // Lets a device's later refusal find out that the executor is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// Whether the report answers the request: same device index and the request's
// bytes 2 and 3 at bytes 2 and 3 (an answer) or at bytes 3 and 4 of an error
// report.
std::optional<HidppOutcome> hidppAnswerKind(const Bytes& request, const std::uint8_t* report, std::size_t length);

// The senders: short (0x10, 7 bytes) and long (0x11, 20 bytes) to a device
// found by discovery, and long to a keyboard reached directly.
void sendHidppShort(const platform::HidDeviceRef& device, Bytes request, HidppDone done);
void sendHidppLong(const platform::HidDeviceRef& device, Bytes request, HidppDone done);
void sendHidppLongDirect(const platform::HidDeviceRef& device, Bytes request, HidppDone done);

using HidppSender = void (*)(const platform::HidDeviceRef&, Bytes, HidppDone);

} // namespace corv::logitech
