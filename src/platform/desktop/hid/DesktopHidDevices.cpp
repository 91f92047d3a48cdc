#include "platform/desktop/hid/DesktopHidDevices.h"

#include "platform/desktop/hid/UdevHidraw.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <unistd.h>
#include <utility>
#include <vector>

namespace corv::desktop {

// ---- DesktopHidDevice ----

DesktopHidDevice::DesktopHidDevice(platform::RunLoop& loop, HidrawInfo info, OpenFailed openFailed,
                                   NodeFailed nodeFailed)
    : info_(std::move(info)), openFailed_(std::move(openFailed)), nodeFailed_(std::move(nodeFailed)), node_(loop) {}

DesktopHidDevice::~DesktopHidDevice() {
    if (valueHandler_ && valueHandlers_) --*valueHandlers_;
    node_.close();
}

void DesktopHidDevice::setInputValueHandler(InputValueHandler handler) {
    const bool had = static_cast<bool>(valueHandler_);
    valueHandler_ = std::move(handler);
    if (valueHandlers_ && had != static_cast<bool>(valueHandler_)) *valueHandlers_ += valueHandler_ ? 1 : -1;
}

void DesktopHidDevice::countValueHandlerIn(std::shared_ptr<std::atomic<int>> count) {
    if (valueHandler_ && valueHandlers_) --*valueHandlers_;
    valueHandlers_ = std::move(count);
    if (valueHandler_ && valueHandlers_) ++*valueHandlers_;
}

std::optional<platform::HidValue> DesktopHidDevice::property(const std::string& key) const {
    using platform::HidValue;
    if (key == platform::kHidVendorIdKey) return HidValue{std::int64_t{info_.id.vendor}};
    if (key == platform::kHidProductIdKey) return HidValue{std::int64_t{info_.id.product}};
    if (key == platform::kHidTransportKey) {
        if (auto name = hidTransportName(info_.id.bus)) return HidValue{*name};
        return std::nullopt;
    }
    const auto& top = info_.summary.topLevel;
    if (key == platform::kHidPrimaryUsagePageKey && !top.empty()) return HidValue{std::int64_t{top.front().page}};
    if (key == platform::kHidPrimaryUsageKey && !top.empty()) return HidValue{std::int64_t{top.front().usage}};
    if (key == platform::kHidManufacturerKey && !info_.manufacturer.empty()) return HidValue{info_.manufacturer};
    if (key == platform::kHidProductKey && !info_.product.empty()) return HidValue{info_.product};
    return std::nullopt;
}

std::vector<platform::HidUsagePair> DesktopHidDevice::usagePairs() const {
    std::vector<platform::HidUsagePair> out;
    for (const auto& c : info_.summary.topLevel) out.push_back({c.page, c.usage});
    return out;
}

bool DesktopHidDevice::open() {
    if (node_.isOpen()) return true;
    // Both run only while the node is open, so only while this device lives.
    const int error = node_.open(
        info_.devnode, [this](const std::vector<std::uint8_t>& r) { deliver(r); },
        [this] {
            if (nodeFailed_) nodeFailed_(shared_from_this());
        });
    if (error != 0 && openFailed_) openFailed_(info_.devnode, error);
    return error == 0;
}

bool DesktopHidDevice::setOutputReport(std::uint32_t, const std::uint8_t* report, std::size_t length,
                                       OutputRefused refused) {
    if (!report || length == 0) return false;
    std::vector<std::uint8_t> bytes;
    // hidraw takes the report ID as the first byte, 0 for a device without IDs.
    if (!info_.summary.usesReportIds) bytes.push_back(0);
    bytes.insert(bytes.end(), report, report + length);
    return node_.write(std::move(bytes), std::move(refused));
}

void DesktopHidDevice::deliver(const std::vector<std::uint8_t>& report) {
    if (!handler_ || report.empty()) return;
    const std::uint32_t reportId = info_.summary.usesReportIds ? report.front() : 0;
    // The handler may replace itself or drop the last other reference.
    auto self = shared_from_this();
    auto handler = handler_;
    handler(self, reportId, report.data(), report.size());
}

void DesktopHidDevice::deliverValue(const platform::HidInputValue& value) {
    if (!valueHandler_) return;
    auto self = shared_from_this();
    auto handler = valueHandler_;
    handler(self, value);
}

// ---- the hub: the devices attached and the managers open ----

namespace {

// How long a failed node waits before it is looked for again.
constexpr double kRefindDelay = 1.0;

struct ManagerState {
    std::vector<platform::HidMatching> matching;
    platform::HidManager::DeviceHandler matched;
    platform::HidManager::DeviceHandler removed;
    bool open = false;
    std::uint64_t generation = 0;
    // The devices attached when the manager opened, and those arriving since,
    // until the turn that reports them; arrivals and removals meanwhile only
    // change this list, so no device is reported twice or removed unreported.
    bool starting = false;
    std::vector<std::shared_ptr<DesktopHidDevice>> first;
    // The devices reported and not removed since.
    std::vector<std::shared_ptr<DesktopHidDevice>> held;

    void report(const std::shared_ptr<DesktopHidDevice>& d) {
        if (!wants(*d)) return;
        if (std::find(held.begin(), held.end(), d) == held.end()) held.push_back(d);
        if (matched) matched(d);
    }
    void reportRemoval(const std::shared_ptr<DesktopHidDevice>& d) {
        if (std::erase(held, d) == 0) return;
        if (removed) removed(d);
    }

    bool wants(const platform::HidDevice& d) const {
        if (matching.empty()) return true;
        for (const auto& m : matching)
            if (platform::hidDeviceMatches(d, m)) return true;
        return false;
    }
};

void toStderr(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

} // namespace

struct DesktopHidDevices::Hub : std::enable_shared_from_this<Hub> {
    Hub(platform::RunLoop& l, Log lg) : loop(l), log(std::move(lg)) {}

    platform::RunLoop& loop;
    Log log;
    std::unique_ptr<UdevHidraw> udev;
    std::map<std::string, std::shared_ptr<DesktopHidDevice>> devices;  // attached, by syspath
    std::vector<std::weak_ptr<DesktopHidDevice>> made;                  // also those unplugged since
    std::vector<std::weak_ptr<ManagerState>> managers;
    std::shared_ptr<std::atomic<int>> valueHandlers = std::make_shared<std::atomic<int>>(0);
    std::set<std::string> said;

    void sayOnce(const std::string& line) {
        if (said.insert(line).second) log(line);
    }

    std::shared_ptr<DesktopHidDevice> make(const HidrawInfo& info) {
        std::weak_ptr<Hub> weak = shared_from_this();
        auto device = std::make_shared<DesktopHidDevice>(
            loop, info,
            [weak](const std::string& node, int error) {
                if (auto hub = weak.lock()) hub->sayOnce("corvadine: cannot open " + node + ": " + std::strerror(error));
            },
            [weak](const std::shared_ptr<DesktopHidDevice>& failed) {
                if (auto hub = weak.lock()) hub->nodeFailed(failed);
            });
        device->countValueHandlerIn(valueHandlers);
        std::erase_if(made, [](const auto& w) { return w.expired(); });
        made.push_back(device);
        return device;
    }

    void start() {
        if (udev) return;
        udev = std::make_unique<UdevHidraw>();
        if (!udev->available()) {
            sayOnce("corvadine: udev is not available; no HID devices will be found");
            return;
        }
        std::weak_ptr<Hub> weak = shared_from_this();
        udev->watch([weak](const HidrawInfo& info) { if (auto hub = weak.lock()) hub->added(info); },
                    [weak](const std::string& path) { if (auto hub = weak.lock()) hub->removed(path); });
        for (const auto& info : udev->enumerate())
            if (!devices.count(info.syspath) && reported(info)) devices.emplace(info.syspath, make(info));
        bool reachable = false;
        for (const auto& [path, device] : devices)
            reachable = reachable || ::access(device->info().devnode.c_str(), R_OK | W_OK) == 0;
        if (devices.empty())
            sayOnce("corvadine: no /dev/hidraw* nodes exist; Logitech receivers and keyboards will not be found");
        else if (!reachable)
            sayOnce("corvadine: no access to /dev/hidraw*; Logitech receivers and keyboards will not be found");
    }

    std::vector<std::shared_ptr<ManagerState>> openManagers() {
        std::vector<std::shared_ptr<ManagerState>> out;
        std::erase_if(managers, [](const auto& w) { return w.expired(); });
        for (const auto& w : managers)
            if (auto m = w.lock(); m && m->open) out.push_back(m);
        return out;
    }

    // A device paired to a receiver is reached through the receiver's node;
    // its own node would show it as a second device, reached directly.
    static bool reported(const HidrawInfo& info) { return !info.belowHidDevice; }

    bool heldByOpenManager(const std::shared_ptr<DesktopHidDevice>& device) {
        for (const auto& m : openManagers())
            if (std::find(m->held.begin(), m->held.end(), device) != m->held.end()) return true;
        return false;
    }

    void added(const HidrawInfo& info) {
        if (devices.count(info.syspath) || !reported(info)) return;
        auto device = make(info);
        devices.emplace(info.syspath, device);
        for (const auto& m : openManagers()) {
            if (m->starting) {
                // A manager reopened by an earlier handler already lists it.
                if (std::find(m->first.begin(), m->first.end(), device) == m->first.end()) m->first.push_back(device);
            } else if (m->open) m->report(device);
        }
    }

    // A node that failed without udev noticing: removed now, and made anew
    // later when udev still lists it.
    void nodeFailed(const std::shared_ptr<DesktopHidDevice>& device) {
        const std::string syspath = device->info().syspath;
        auto it = devices.find(syspath);
        if (it == devices.end() || it->second != device) return;
        removed(syspath);
        device->close();
        std::weak_ptr<Hub> weak = shared_from_this();
        loop.postAfter(kRefindDelay, [weak, syspath] {
            auto hub = weak.lock();
            if (!hub || !hub->udev || hub->devices.count(syspath)) return;
            for (const auto& info : hub->udev->enumerate())
                if (info.syspath == syspath) return hub->added(info);
        });
    }

    void removed(const std::string& syspath) {
        auto it = devices.find(syspath);
        if (it == devices.end()) return;
        auto device = it->second;
        devices.erase(it);
        for (const auto& m : openManagers()) {
            if (m->starting) std::erase(m->first, device);
            else if (m->open) m->reportRemoval(device);
        }
    }
};

namespace {

class DesktopHidManager final : public platform::HidManager {
public:
    explicit DesktopHidManager(std::shared_ptr<DesktopHidDevices::Hub> hub)
        : hub_(std::move(hub)), state_(std::make_shared<ManagerState>()) {
        hub_->managers.push_back(state_);
    }
    ~DesktopHidManager() override { close(); }

    void setDeviceMatching(std::vector<platform::HidMatching> matching) override {
        state_->matching = std::move(matching);
    }
    void setMatchedHandler(DeviceHandler handler) override { state_->matched = std::move(handler); }
    void setRemovedHandler(DeviceHandler handler) override { state_->removed = std::move(handler); }

    void open() override {
        // Reopening reports every device again; none is closed meanwhile.
        stopReporting();
        state_->open = true;
        const std::uint64_t generation = ++state_->generation;
        hub_->start();
        // The devices attached now are reported on a later turn, as arrivals are.
        state_->starting = true;
        state_->first.clear();
        for (const auto& [path, device] : hub_->devices) state_->first.push_back(device);
        std::weak_ptr<ManagerState> weak = state_;
        hub_->loop.post([weak, generation] {
            auto state = weak.lock();
            while (state && state->open && state->generation == generation && !state->first.empty()) {
                auto device = state->first.front();
                state->first.erase(state->first.begin());
                state->report(device);
            }
            if (state && state->generation == generation) state->starting = false;
        });
    }

    // Like the platform's own manager, closing closes the devices it reported,
    // except those another open manager reported too.
    void close() override {
        stopReporting();
        const auto held = std::exchange(state_->held, {});
        for (const auto& device : held)
            if (!hub_->heldByOpenManager(device)) device->close();
    }

private:
    void stopReporting() {
        state_->open = false;
        state_->starting = false;
        state_->first.clear();
    }

    std::shared_ptr<DesktopHidDevices::Hub> hub_;
    std::shared_ptr<ManagerState> state_;
};

} // namespace

DesktopHidDevices::DesktopHidDevices(platform::RunLoop& loop, Log log)
    : hub_(std::make_shared<Hub>(loop, log ? std::move(log) : Log(toStderr))) {}

DesktopHidDevices::~DesktopHidDevices() {
    // Every device thread ends before the run loop it posts to can go.
    for (const auto& weak : hub_->made)
        if (auto device = weak.lock()) device->close();
    hub_->devices.clear();
    hub_->udev.reset();
}

std::unique_ptr<platform::HidManager> DesktopHidDevices::createManager() {
    return std::make_unique<DesktopHidManager>(hub_);
}

std::shared_ptr<const std::atomic<int>> DesktopHidDevices::valueHandlers() const { return hub_->valueHandlers; }

void DesktopHidDevices::deliverKeyValue(const std::string& hidSyspath, const platform::HidInputValue& value) {
    if (hidSyspath.empty()) return;
    // A hidraw node sits at <HID device>/hidraw/hidrawN.
    const std::string prefix = hidSyspath + "/hidraw/";
    std::vector<std::shared_ptr<DesktopHidDevice>> targets;
    for (const auto& [syspath, device] : hub_->devices)
        if (syspath.starts_with(prefix) && syspath.find('/', prefix.size()) == std::string::npos)
            targets.push_back(device);
    for (const auto& device : targets) device->deliverValue(value);
}

} // namespace corv::desktop
