#include "logitech/HidppExecutor.h"

#include "logitech/HidppReport.h"
#include "model/Shared.h"
#include "platform/Platform.h"

#include <vector>

namespace corv::logitech {

using namespace hidpp;

std::uint8_t HidppReply::errorCode() const {
    if (outcome != HidppOutcome::ErrorAnswer || report.size() <= kErrorCodeAt) return 0;
    return report[kErrorCodeAt];
}

HidppExecutor& HidppExecutor::shared() { return Shared<HidppExecutor>::instance(); }

HidppExecutor::~HidppExecutor() {
    if (!platform::installed()) return;
    for (auto& [key, q] : queues_)
        for (auto& r : q.requests)
            if (r.timer) platform::runLoop().cancel(r.timer);
}

std::optional<HidppOutcome> hidppAnswerKind(const Bytes& request, const std::uint8_t* report, std::size_t length) {
    if (!report || length < kErrorAddressAt + 1 || request.size() <= kAddressAt) return std::nullopt;
    if (report[kDeviceIndexAt] != request[kDeviceIndexAt]) return std::nullopt;
    if (report[kSubIdAt] == request[kSubIdAt] && report[kAddressAt] == request[kAddressAt])
        return HidppOutcome::Answered;
    const bool errorReport = (report[kReportIdAt] == kShortReportId && report[kSubIdAt] == kShortError) ||
                             (report[kReportIdAt] == kLongReportId && report[kSubIdAt] == kLongError) ||
                             (report[kReportIdAt] == kLongReportId && report[kSubIdAt] == kShortError);
    if (errorReport && report[kErrorSubIdAt] == request[kSubIdAt] && report[kErrorAddressAt] == request[kAddressAt])
        return HidppOutcome::ErrorAnswer;
    return std::nullopt;
}

void HidppExecutor::send(const platform::HidDeviceRef& device, HidppChannel channel, Bytes request,
                         std::uint8_t reportId, std::size_t length, HidppDone done) {
    auto found = device ? queues_.find(device.get()) : queues_.end();
    const bool full = found != queues_.end() && found->second.requests.size() >= kHidppQueueLimit;
    if (!device || request.size() < length || length <= kAddressAt || full) {
        // Answered on a later turn, like every other outcome.
        platform::runLoop().post([done = std::move(done)] {
            if (done) done(HidppReply{});
        });
        return;
    }
    auto& q = queues_[device.get()];
    q.device = device;
    q.requests.push_back(Request{channel, std::move(request), reportId, length, std::move(done), false, 0,
                                 nextSerial_++});
    pump(device.get());
}

void HidppExecutor::pump(platform::HidDevice* key) {
    for (;;) {
        auto it = queues_.find(key);
        if (it == queues_.end()) return;
        auto& q = it->second;
        if (q.requests.empty()) {
            queues_.erase(it);
            return;
        }
        Request& head = q.requests.front();
        if (head.inFlight) return;
        head.inFlight = true;
        const std::uint64_t serial = head.serial;
        // The write may deliver reports at once; the request is in flight first.
        const Bytes bytes = head.bytes;
        // A write the device refuses later fails the request then, not at its time-out.
        auto refused = [alive = std::weak_ptr<void>(alive_), this, key, serial] {
            if (alive.expired()) return;
            auto found = queues_.find(key);
            if (found == queues_.end() || found->second.requests.empty()) return;
            if (found->second.requests.front().serial == serial) finishHead(key, HidppReply{});
        };
        const bool written = q.device->setOutputReport(head.reportId, bytes.data(), head.length, refused);
        it = queues_.find(key);
        if (it == queues_.end() || it->second.requests.empty() || it->second.requests.front().serial != serial) return;
        Request& r = it->second.requests.front();
        if (!written) {
            HidppDone done = std::move(r.done);
            it->second.requests.pop_front();
            platform::runLoop().post([done = std::move(done)] {
                if (done) done(HidppReply{});
            });
            continue;
        }
        r.timer = platform::runLoop().postAfter(kHidppTimeout, [this, key, serial] {
            auto found = queues_.find(key);
            if (found == queues_.end() || found->second.requests.empty()) return;
            auto& front = found->second.requests.front();
            if (front.serial != serial) return;
            front.timer = 0;
            finishHead(key, HidppReply{HidppOutcome::TimedOut, {}});
        });
        return;
    }
}

void HidppExecutor::finishHead(platform::HidDevice* key, HidppReply reply) {
    auto it = queues_.find(key);
    if (it == queues_.end() || it->second.requests.empty()) return;
    Request head = std::move(it->second.requests.front());
    it->second.requests.pop_front();
    if (head.timer) platform::runLoop().cancel(head.timer);
    if (head.done) head.done(reply);
    pump(key);
}

const HidppExecutor::Request* HidppExecutor::inFlight(HidppChannel channel,
                                                      const platform::HidDeviceRef& sender) const {
    if (!sender) return nullptr;
    auto it = queues_.find(sender.get());
    if (it == queues_.end() || it->second.requests.empty()) return nullptr;
    const Request& head = it->second.requests.front();
    if (!head.inFlight || head.channel != channel) return nullptr;
    return &head;
}

bool HidppExecutor::offer(HidppChannel channel, const platform::HidDeviceRef& sender, const std::uint8_t* report,
                          std::size_t length) {
    const Request* head = inFlight(channel, sender);
    if (!head) return false;
    auto kind = hidppAnswerKind(head->bytes, report, length);
    if (!kind) return false;
    finishHead(sender.get(), HidppReply{*kind, Bytes(report, report + length)});
    return true;
}

bool HidppExecutor::answersInFlight(HidppChannel channel, const platform::HidDeviceRef& sender,
                                    const std::uint8_t* report, std::size_t length) const {
    const Request* head = inFlight(channel, sender);
    return head && hidppAnswerKind(head->bytes, report, length).has_value();
}

void HidppExecutor::endQueues() {
    std::vector<HidppDone> ended;
    for (auto& [key, q] : queues_)
        for (auto& r : q.requests) {
            if (r.timer) platform::runLoop().cancel(r.timer);
            ended.push_back(std::move(r.done));
        }
    queues_.clear();
    platform::runLoop().post([ended = std::move(ended)] {
        for (const auto& done : ended)
            if (done) done(HidppReply{});
    });
}

std::size_t HidppExecutor::pending(const platform::HidDevice* device) const {
    auto it = queues_.find(const_cast<platform::HidDevice*>(device));
    return it == queues_.end() ? 0 : it->second.requests.size();
}

void sendHidppShort(const platform::HidDeviceRef& device, Bytes request, HidppDone done) {
    HidppExecutor::shared().send(device, HidppChannel::Receiver, std::move(request), kShortReportId, kShortLength,
                                 std::move(done));
}

void sendHidppLong(const platform::HidDeviceRef& device, Bytes request, HidppDone done) {
    HidppExecutor::shared().send(device, HidppChannel::Receiver, std::move(request), kLongReportId, kLongLength,
                                 std::move(done));
}

void sendHidppLongDirect(const platform::HidDeviceRef& device, Bytes request, HidppDone done) {
    HidppExecutor::shared().send(device, HidppChannel::Direct, std::move(request), kLongReportId, kLongLength,
                                 std::move(done));
}

} // namespace corv::logitech
