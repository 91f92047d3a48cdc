#include "platform/sim/SimHidDevices.h"

#include <algorithm>
#include <utility>

namespace corv::sim {

namespace {

class SimHidManager;

} // namespace

struct SimHidDevices::Hub {
    std::vector<std::shared_ptr<SimHidDevice>>* attached = nullptr;
    std::vector<SimHidManager*> managers;
    SimJournal** journal = nullptr;
};

namespace {

class SimHidManager final : public platform::HidManager {
public:
    SimHidManager(platform::RunLoop& loop, std::shared_ptr<SimHidDevices::Hub> hub)
        : loop_(loop), hub_(std::move(hub)), token_(std::make_shared<bool>(true)) {
        hub_->managers.push_back(this);
    }
    ~SimHidManager() override {
        auto& m = hub_->managers;
        m.erase(std::remove(m.begin(), m.end(), this), m.end());
    }

    void setDeviceMatching(std::vector<platform::HidMatching> matching) override { matching_ = std::move(matching); }
    void setMatchedHandler(DeviceHandler h) override { matched_ = std::move(h); }
    void setRemovedHandler(DeviceHandler h) override { removed_ = std::move(h); }

    void open() override {
        open_ = true;
        ++generation_;
        if (hub_->journal && *hub_->journal) {
            std::string call = "hid manager open";
            for (const auto& m : matching_)
                for (const auto& [key, value] : m)
                    call += " " + key + "=" +
                            (std::holds_alternative<std::int64_t>(value) ? std::to_string(std::get<std::int64_t>(value))
                                                                         : std::get<std::string>(value));
            (*hub_->journal)->note(call);
        }
        if (!hub_->attached) return;
        for (const auto& d : *hub_->attached) announce(d, true);
    }
    void close() override {
        open_ = false;
        ++generation_;
        for (const auto& d : std::exchange(held_, {}))
            if (!heldByAnotherOpenManager(d)) d->close();
    }

    bool isOpen() const { return open_; }
    bool holds(const std::shared_ptr<SimHidDevice>& d) const {
        return std::find(held_.begin(), held_.end(), d) != held_.end();
    }

    // Reports an arrival or removal on a later turn of the run loop, unless
    // the manager is closed or gone by then.
    void announce(const std::shared_ptr<SimHidDevice>& device, bool arrived) {
        if (!open_ || !matches(*device)) return;
        std::weak_ptr<bool> alive = token_;
        const int generation = generation_;
        loop_.post([this, alive, generation, device, arrived] {
            if (alive.expired() || !open_ || generation != generation_) return;
            std::erase(held_, device);
            if (arrived) held_.push_back(device);
            const auto& h = arrived ? matched_ : removed_;
            if (h) h(device);
        });
    }

private:
    bool heldByAnotherOpenManager(const std::shared_ptr<SimHidDevice>& d) const {
        return std::any_of(hub_->managers.begin(), hub_->managers.end(),
                           [&](const SimHidManager* m) { return m != this && m->isOpen() && m->holds(d); });
    }
    bool matches(const SimHidDevice& d) const {
        if (matching_.empty()) return true;
        return std::any_of(matching_.begin(), matching_.end(),
                           [&](const platform::HidMatching& m) { return platform::hidDeviceMatches(d, m); });
    }

    platform::RunLoop& loop_;
    std::shared_ptr<SimHidDevices::Hub> hub_;
    std::shared_ptr<bool> token_;
    std::vector<platform::HidMatching> matching_;
    DeviceHandler matched_;
    DeviceHandler removed_;
    std::vector<std::shared_ptr<SimHidDevice>> held_;  // reported and not removed since
    bool open_ = false;
    int generation_ = 0;
};

} // namespace

std::optional<platform::HidValue> SimHidDevice::property(const std::string& key) const {
    auto it = properties.find(key);
    if (it == properties.end()) return std::nullopt;
    return it->second;
}

bool SimHidDevice::open() {
    ++openCount;
    if (failOpen) return false;
    opened = true;
    return true;
}

void SimHidDevice::close() {
    ++closeCount;
    opened = false;
}

bool SimHidDevice::setOutputReport(std::uint32_t, const std::uint8_t* report, std::size_t length,
                                   OutputRefused refused) {
    if (refuseWrites || !report) return false;
    if (refuseWritesLater) {
        if (refused) loop_.post(std::move(refused));
        return true;
    }
    Bytes bytes(report, report + length);
    written.push_back(bytes);
    writeTimes.push_back(loop_.now());
    if (scripted_) {
        if (script_.empty() || script_.front().request != bytes) {
            unexpected.push_back(bytes);
            return true;
        }
        Step step = std::move(script_.front());
        script_.pop_front();
        for (auto& r : step.replies) sendInput(std::move(r), step.delay);
        return true;
    }
    if (onWrite) onWrite(bytes);
    return true;
}

void SimHidDevice::sendInput(Bytes report, double delay) {
    std::weak_ptr<SimHidDevice> weak = weak_from_this();
    auto deliver = [weak, report = std::move(report)] {
        auto self = weak.lock();
        if (!self || !self->opened || !self->handler_) return;
        const std::uint32_t id = report.empty() ? 0 : report[0];
        auto handler = self->handler_;
        platform::HidDeviceRef ref = self;
        handler(ref, id, report.data(), report.size());
    };
    if (delay > 0)
        loop_.postAfter(delay, std::move(deliver));
    else
        loop_.post(std::move(deliver));
}

void SimHidDevice::sendValue(std::uint32_t usagePage, std::uint32_t usage, std::int64_t value) {
    std::weak_ptr<SimHidDevice> weak = weak_from_this();
    loop_.post([weak, v = platform::HidInputValue{usagePage, usage, value}] {
        auto self = weak.lock();
        if (!self || !self->valueHandler_) return;
        auto handler = self->valueHandler_;
        platform::HidDeviceRef ref = self;
        handler(ref, v);
    });
}

void SimHidDevice::expect(Bytes request, std::vector<Bytes> replies, double replyDelay) {
    scripted_ = true;
    script_.push_back(Step{std::move(request), std::move(replies), replyDelay});
}

SimHidDevices::SimHidDevices(platform::RunLoop& loop) : loop_(loop), hub_(std::make_shared<Hub>()) {
    hub_->attached = &attached;
    hub_->journal = &journal;
}

SimHidDevices::~SimHidDevices() {
    hub_->attached = nullptr;
    hub_->journal = nullptr;
}

std::unique_ptr<platform::HidManager> SimHidDevices::createManager() {
    ++managersCreated;
    return std::make_unique<SimHidManager>(loop_, hub_);
}

std::shared_ptr<SimHidDevice> SimHidDevices::makeDevice(std::map<std::string, platform::HidValue> properties,
                                                        std::vector<platform::HidUsagePair> usages) {
    auto d = std::make_shared<SimHidDevice>(loop_);
    d->properties = std::move(properties);
    d->usages = std::move(usages);
    return d;
}

void SimHidDevices::attach(const std::shared_ptr<SimHidDevice>& device) {
    if (std::find(attached.begin(), attached.end(), device) != attached.end()) return;
    attached.push_back(device);
    for (auto* m : hub_->managers) m->announce(device, true);
}

void SimHidDevices::detach(const std::shared_ptr<SimHidDevice>& device) {
    auto it = std::find(attached.begin(), attached.end(), device);
    if (it == attached.end()) return;
    attached.erase(it);
    for (auto* m : hub_->managers) m->announce(device, false);
}

int SimHidDevices::managersOpen() const {
    int n = 0;
    for (auto* m : hub_->managers)
        if (m->isOpen()) ++n;
    return n;
}

} // namespace corv::sim
