#include "platform/desktop/input/DesktopInput.h"
#include "platform/desktop/input/InputNodeHolders.h"

#include "platform/desktop/input/GrabTable.h"

#include <QSocketNotifier>

#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <libudev.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <utility>
#include <unistd.h>

namespace corv::desktop {

namespace {

using platform::Event;
using Token = platform::TapChain::Token;

// Outcomes nobody waits for: a late release run for the taps' sake.
constexpr Token kDiscard = ~Token{0};
constexpr std::uint64_t kRelevantTypes = 0x6E401CFE;
constexpr std::uint32_t kFirstInterferingTapId = 0x40000000;
// Seconds before a node that could not be taken is tried again: the first
// wait, doubled on every failure up to the last.
struct BackOff {
    double first, last;
};
constexpr BackOff kKeysDown{0.05, 0.8};
constexpr BackOff kBusy{0.25, 8.0};
constexpr BackOff kFailing{0.5, 30.0};

bool isRelease(std::uint32_t type) { return type == 2 || type == 4 || type == 26 || type == 11 || type == 12; }

} // namespace

struct DesktopInput::Slot {
    enum class State { Waiting, Claimed, Done, TimedOut };
    std::mutex m;
    std::condition_variable cv;
    State state = State::Waiting;
    std::optional<Event> result;
    Event event;
};

DesktopInput::DesktopInput(platform::RunLoop& loop, platform::TapChain& chain, DesktopInputConfig config)
    : loop_(loop), chain_(chain), config_(std::move(config)),
      boundMicros_(static_cast<std::int64_t>(config_.verdictBound * 1e6)), udev_(udev_new()),
      watchdog_(loop, config_.stallBound, [this] { recoverFromStall(); }) {
    if (!udev_ || !config_.findDevices) return;
    if (udev_enumerate* e = udev_enumerate_new(udev_)) {
        udev_enumerate_add_match_subsystem(e, "input");
        udev_enumerate_scan_devices(e);
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
            udev_device* d = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
            if (!d) continue;
            if (auto node = readInputNode(d)) added(*node);
            udev_device_unref(d);
        }
        udev_enumerate_unref(e);
    }
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ && udev_monitor_filter_add_match_subsystem_devtype(monitor_, "input", nullptr) >= 0 &&
        udev_monitor_enable_receiving(monitor_) >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { receiveUdev(); });
    } else if (monitor_) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
    }
}

DesktopInput::~DesktopInput() {
    shutdown();
    notifier_.reset();
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
}

void DesktopInput::receiveUdev() {
    while (udev_device* d = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(d);
        if (action && std::strcmp(action, "add") == 0) {
            if (auto node = readInputNode(d)) {
                added(*node);
                if (!shutDown_ && !away_ && !isOwn(*node) && chain_.wantedTypes() != 0 && access().trusted())
                    take(*node);
            }
        } else if (action && std::strcmp(action, "remove") == 0) {
            if (const char* path = udev_device_get_syspath(d)) removed(path);
        }
        udev_device_unref(d);
    }
}

bool DesktopInput::isOwn(const InputNode& node) const {
    if (node.phys.starts_with(kOwnPhysPrefix)) return true;
    if (!node.inputSyspath.empty() && node.inputSyspath == postSyspath_) return true;
    for (const auto& [path, device] : devices_)
        if (!node.inputSyspath.empty() && device->cloneSyspath() == node.inputSyspath) return true;
    return false;
}

void DesktopInput::added(const InputNode& node) {
    if (isOwn(node)) return;
    for (const auto& n : nodes_)
        if (n.syspath == node.syspath) return;
    nodes_.push_back(node);
    registry_.add(node);
    if (onNodeAdded) onNodeAdded(node);
    if (node.touchpad && onTouchpad) onTouchpad(node.syspath, true);
}

void DesktopInput::removed(const std::string& syspath) {
    letGo(syspath);
    busy_.erase(syspath);
    retries_.erase(syspath);
    remaps_.erase(syspath);
    for (auto it = nodes_.begin(); it != nodes_.end(); ++it) {
        if (it->syspath != syspath) continue;
        const InputNode node = *it;
        nodes_.erase(it);
        registry_.remove(node, nodes_);
        if (onNodeRemoved) onNodeRemoved(node);
        if (node.touchpad && onTouchpad) onTouchpad(node.syspath, false);
        return;
    }
}

void DesktopInput::setRemap(const std::string& syspath, Remap remap) {
    if (auto it = devices_.find(syspath); it != devices_.end()) it->second->setRemap(remap);
    remaps_[syspath] = std::move(remap);
}

void DesktopInput::tapsChanged() {
    wanted_ = chain_.wantedTypes();
    const platform::TapChain::KeyInterest keys = chain_.keyInterest();
    // A key added is asked from now on; all keys stay asked until the set is in place.
    if (keys.all) allKeys_.store(true, std::memory_order_release);
    for (std::size_t i = 0; i < keys_.size(); ++i) keys_[i].store(keys.keys[i], std::memory_order_relaxed);
    if (!keys.all) allKeys_.store(false, std::memory_order_release);
    if (reconcileQueued_ || shutDown_) return;
    reconcileQueued_ = true;
    // On a later turn: a tap that is switched off and on again within one
    // turn (a time-out notice) keeps its devices.
    std::weak_ptr<bool> alive = alive_;
    loop_.post([this, alive] {
        if (alive.lock()) reconcile();
    });
}

void DesktopInput::reconcile() {
    reconcileQueued_ = false;
    if (shutDown_) return;
    const bool want = chain_.wantedTypes() != 0 && access().trusted();
    if (!want || away_) {
        while (!devices_.empty()) letGo(devices_.begin()->first);
        busy_.clear();
        if (away_) destroyPostingDevice();
        return;
    }
    ensurePostingDevice();
    const std::vector<InputNode> nodes = nodes_;
    for (const auto& node : nodes) {
        // A node waiting to be tried again waits for its own turn.
        auto r = retries_.find(node.syspath);
        if (!devices_.count(node.syspath) && (r == retries_.end() || !r->second.queued)) take(node);
    }
}

void DesktopInput::take(const InputNode& node) {
    // Retries come from timers, which run on while the user is away.
    if (shutDown_ || away_ || devices_.count(node.syspath) || isOwn(node)) return;
    EvdevDevice::Failure failure;
    auto device = EvdevDevice::take(node, config_.uinputNode,
                                    static_cast<std::int64_t>(registry_.entryOf(node.inputSyspath)), seat_, outputs_,
                                    failure);
    if (!device) {
        if (failure == EvdevDevice::Failure::Busy) {
            if (busy_[node.syspath].empty()) busy_[node.syspath] = {-1};  // unknown until looked at
            findHolders(node);
            retryLater(node.syspath, kBusy.first, kBusy.last);
        }
        if (failure == EvdevDevice::Failure::KeysDown) retryLater(node.syspath, kKeysDown.first, kKeysDown.last);
        if (auto r = retries_.find(node.syspath); r != retries_.end() && r->second.failing)
            retryLater(node.syspath, kFailing.first, kFailing.last);
        return;
    }
    busy_.erase(node.syspath);
    if (auto r = retries_.find(node.syspath); r != retries_.end() && !r->second.failing) retries_.erase(r);
    if (auto r = remaps_.find(node.syspath); r != remaps_.end()) device->setRemap(r->second);
    EvdevDevice& d = *device;
    if (!GrabTable::process().add(d.nodeFd(), d.cloneFd())) {
        // Nothing could let it go when the loop stands still or the process
        // dies: it is not kept, and tried again later.
        device->release();
        retryLater(node.syspath, kBusy.first, kBusy.last);
        return;
    }
    devices_[node.syspath] = std::move(device);
    updateWatch();
    // Read from the loop's next turn: keys typed while this turn goes on
    // (other devices taken, the rest of a start) wait in the node for a main
    // thread free to judge them, rather than pass for want of a verdict. The
    // turn is owed to the watchdog: a loop that stands still lets it go.
    watchdog_.handedOver();
    std::weak_ptr<bool> alive = alive_;
    loop_.post([this, alive, syspath = node.syspath, which = &d] {
        if (!alive.lock()) return;
        watchdog_.claimed();
        if (auto it = devices_.find(syspath); it != devices_.end() && it->second.get() == which) which->start(*this);
    });
}

void DesktopInput::findHolders(const InputNode& node) {
    if (!background_ || !findingHolders_.insert(node.syspath).second) return;
    std::weak_ptr<bool> alive = alive_;
    platform::RunLoop* loop = &loop_;
    background_->run([this, alive, loop, syspath = node.syspath, devnode = node.devnode] {
        // A walk of every process's descriptors: never on the main thread.
        auto pids = inputNodeHolders(devnode).listed();
        loop->postFromAnyThread([this, alive, syspath, pids = std::move(pids)] {
            if (!alive.lock()) return;
            findingHolders_.erase(syspath);
            if (auto it = busy_.find(syspath); it != busy_.end()) it->second = pids;
        });
    });
}

void DesktopInput::retryLater(const std::string& syspath, double first, double last) {
    Retry& r = retries_[syspath];
    if (r.queued) return;
    r.delay = r.delay <= 0 ? first : std::min(r.delay * 2, last);
    r.queued = true;
    std::weak_ptr<bool> alive = alive_;
    loop_.postAfter(r.delay, [this, alive, syspath] {
        if (!alive.lock()) return;
        auto it = retries_.find(syspath);
        if (it == retries_.end()) return;
        it->second.queued = false;
        if (shutDown_ || chain_.wantedTypes() == 0 || !access().trusted()) return;
        for (const auto& node : nodes_)
            if (node.syspath == syspath) {
                const InputNode copy = node;
                take(copy);
                return;
            }
    });
}

void DesktopInput::letGo(const std::string& syspath) {
    auto it = devices_.find(syspath);
    if (it == devices_.end()) return;
    // The caller's name may be the map's own key, erased here.
    const std::string node = syspath;
    std::unique_ptr<EvdevDevice> device = std::move(it->second);
    devices_.erase(it);
    GrabTable::process().remove(device->nodeFd());
    device->release();
    updateWatch();
    // At the end the posting device lets go of everything anyway.
    if (!shutDown_)
        endKeys(static_cast<std::int64_t>(registry_.entryOf(device->node().inputSyspath)), device->takeEndedKeys());
    keyValues_.lost(node);
}

void DesktopInput::endKeys(std::int64_t sender, const std::vector<Event>& ups) {
    const std::int64_t outer = std::exchange(judging_, sender);
    for (const Event& up : ups) chain_.inject(up, kDiscard);
    judging_ = outer;
    auto owned = postedFor_.find(sender);
    if (owned == postedFor_.end()) return;
    std::set<std::uint16_t> codes = std::move(owned->second);
    postedFor_.erase(owned);
    for (const auto& [other, held] : postedFor_)
        for (std::uint16_t code : held) codes.erase(code);
    if (post_) writePostFrame(translator_.release(codes));
    if (!translator_.holdsAny()) outputs_.restore();
}

void DesktopInput::keyFrame(EvdevDevice& device, const std::vector<input_event>& frame) {
    const auto change = [](const input_event& ev) { return ev.type == EV_KEY && ev.value != 2; };
    if (std::none_of(frame.begin(), frame.end(), change)) return;
    if (!keyValuesOn_.load(std::memory_order_relaxed) ||
        (keyValueListeners_ && keyValueListeners_->load(std::memory_order_relaxed) <= 0)) {
        // Nobody listens: the held keys known on the main thread go stale.
        keyValueGaps_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    std::vector<KeyChange> keys;
    for (const input_event& ev : frame)
        if (change(ev)) keys.push_back({ev.code, ev.value != 0});
    std::weak_ptr<bool> alive = alive_;
    loop_.postFromAnyThread([this, alive, syspath = device.node().syspath, hid = device.node().hidSyspath,
                             keys = std::move(keys), gaps = keyValueGaps_.load(std::memory_order_relaxed)] {
        if (!alive.lock()) return;
        if (gaps != keyValueGapsSeen_) {
            // Keys may have gone up unseen since: what was held is let go.
            keyValueGapsSeen_ = gaps;
            for (const auto& [taken, d] : devices_) keyValues_.lost(taken);
        }
        if (devices_.count(syspath)) keyValues_.frame(syspath, hid, keys);
    });
}

bool DesktopInput::asksKey(std::uint16_t virtualKey) const {
    // While events the taps posted wait for their turn (the modifier a
    // binding holds, say), every key is asked, so that none overtakes them.
    if (allKeys_.load(std::memory_order_acquire) || chain_.waiting() > 0) return true;
    return virtualKey < 256 &&
           (keys_[virtualKey / 64].load(std::memory_order_relaxed) >> (virtualKey % 64) & 1) != 0;
}

void DesktopInput::setAway(bool away) {
    if (away == away_) return;
    away_ = away;
    if (away) reconcile();
    else tapsChanged();
}

void DesktopInput::recoverFromStall() {
    // The nodes are no longer grabbed and their clones are gone: let the
    // devices go in order and take them again. The posting device's keys were
    // lifted, and so are any the turns before this one pressed.
    while (!devices_.empty()) letGo(devices_.begin()->first);
    const auto ups = translator_.releaseAll();
    if (post_) writePostFrame(ups);
    postedFor_.clear();
    GrabTable::process().forgetPosted();
    reconcile();
}

void DesktopInput::updateWatch() { watchdog_.watch(!shutDown_ && (!devices_.empty() || post_ != nullptr)); }

void DesktopInput::gone(EvdevDevice& device) {
    std::weak_ptr<bool> alive = alive_;
    const std::string syspath = device.node().syspath;
    EvdevDevice* which = &device;
    loop_.postFromAnyThread([this, alive, syspath, which] {
        if (!alive.lock()) return;
        auto it = devices_.find(syspath);
        if (it == devices_.end() || it->second.get() != which) return;
        letGo(syspath);
        // Still listed, so it failed rather than went: tried again later,
        // and later each time it fails again.
        retries_[syspath].failing = true;
        retryLater(syspath, kFailing.first, kFailing.last);
    });
}

EvdevDevice::Verdict DesktopInput::ask(EvdevDevice& device, const Event& event) {
    EvdevDevice::Verdict verdict;
    const std::uint32_t type = event.type();
    // Let go for a stall (the desktop reads the node itself until it is taken
    // again), or being released: the device's router has forgotten the key,
    // so the ups made at its end leave this one out. A release still reaches
    // the taps once the loop turns, so that whatever its press started ends.
    if (device.stopping() || watchdog_.letGo()) {
        if (isRelease(type)) {
            auto slot = std::make_shared<Slot>();
            slot->event = event;
            slot->state = Slot::State::TimedOut;
            ++unclaimed_;
            watchdog_.handedOver();
            ++counters_.toMain;
            std::weak_ptr<bool> alive = alive_;
            loop_.postFromAnyThread([this, alive, slot, token = nextToken_++] {
                if (alive.lock()) handOver(slot, token);
            });
        }
        return verdict;
    }
    if (unclaimed_.load() >= config_.backlog && !isRelease(type)) {
        // Far behind: the event passes without a closure of its own; the taps
        // that judge it hear of all such events once the thread catches up.
        ++counters_.timedOut;
        ++counters_.skipped;
        if (type < 64) skippedTypes_.fetch_or(std::uint64_t{1} << type);
        if (!skipNoticeQueued_.exchange(true)) {
            std::weak_ptr<bool> alive = alive_;
            loop_.postFromAnyThread([this, alive] {
                if (alive.lock()) noticeSkipped();
            });
        }
        return verdict;
    }
    auto slot = std::make_shared<Slot>();
    slot->event = event;
    const Token token = nextToken_++;
    std::weak_ptr<bool> alive = alive_;
    const bool behind = unclaimed_.load() > 0;
    if (behind) {
        // The main thread has not reached an earlier event yet: do not wait
        // for it again; it learns of this one when it catches up.
        slot->state = Slot::State::TimedOut;
        ++counters_.timedOut;
    }
    ++unclaimed_;
    watchdog_.handedOver();
    ++counters_.toMain;
    loop_.postFromAnyThread([this, alive, slot, token] {
        if (alive.lock()) handOver(slot, token);
    });
    if (behind) return verdict;

    {
        std::lock_guard<std::mutex> lock(device.waitMutex);
        device.wakeWaiter = [slot] {
            { std::lock_guard<std::mutex> l(slot->m); }
            slot->cv.notify_all();
        };
    }
    {
        std::unique_lock<std::mutex> lock(slot->m);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::microseconds(boundMicros_.load());
        // Claimed by the deadline, the event is in the chain: its taps have
        // run or run now, so its verdict is waited for.
        while (slot->state != Slot::State::Done && !device.stopping()) {
            if (slot->state == Slot::State::Claimed)
                slot->cv.wait(lock);
            else if (slot->cv.wait_until(lock, deadline) == std::cv_status::timeout &&
                     slot->state == Slot::State::Waiting)
                break;
        }
        if (slot->state == Slot::State::Done) {
            verdict.passed = false;
            verdict.event = std::move(slot->result);
        } else {
            slot->state = Slot::State::TimedOut;
            ++counters_.timedOut;
        }
    }
    std::lock_guard<std::mutex> lock(device.waitMutex);
    device.wakeWaiter = nullptr;
    return verdict;
}

void DesktopInput::handOver(std::shared_ptr<Slot> slot, Token token) {
    --unclaimed_;
    watchdog_.claimed();
    bool late;
    {
        std::lock_guard<std::mutex> lock(slot->m);
        late = slot->state == Slot::State::TimedOut;
        if (!late) slot->state = Slot::State::Claimed;
    }
    if (late) return timedOut(slot->event, true);
    const std::uint32_t type = slot->event.type();
    if (pointer && (type == platform::eventType::Gesture || type == platform::eventType::DockControl))
        slot->event.setLocation(pointer());
    pending_[token] = slot;
    const std::int64_t outer = std::exchange(judging_, slot->event.integerField(platform::field::SenderRegistryId));
    chain_.inject(slot->event, token);
    judging_ = outer;
}

void DesktopInput::outcome(Token token, std::optional<Event> event) {
    if (token == 0) {
        if (event) writePosted(*event);
        return;
    }
    auto it = pending_.find(token);
    if (it == pending_.end()) return;
    std::shared_ptr<Slot> slot = std::move(it->second);
    pending_.erase(it);
    bool late;
    {
        std::lock_guard<std::mutex> lock(slot->m);
        late = slot->state == Slot::State::TimedOut;
        if (!late) {
            slot->state = Slot::State::Done;
            slot->result = std::move(event);
        }
    }
    // After the unlock: the woken reader does not wait for the mutex.
    slot->cv.notify_all();
    if (late) timedOut(slot->event, false);
}

void DesktopInput::noticeSkipped() {
    skipNoticeQueued_ = false;
    const std::uint64_t types = skippedTypes_.exchange(0);
    std::set<platform::EventTapId> told;
    for (std::uint32_t type = 0; type < 64; ++type) {
        if (!(types & (std::uint64_t{1} << type))) continue;
        for (platform::EventTapId tap : chain_.judgesOf(type))
            if (told.insert(tap).second) chain_.sendNotice(tap, platform::eventType::TapDisabledByTimeout);
    }
}

void DesktopInput::timedOut(const Event& event, bool runAgain) {
    for (platform::EventTapId tap : chain_.judgesOf(event.type()))
        chain_.sendNotice(tap, platform::eventType::TapDisabledByTimeout);
    // The event has passed; a release still goes through the taps so that
    // whatever its press started ends.
    if (runAgain && isRelease(event.type())) chain_.inject(event, kDiscard);
}

bool DesktopInput::ensurePostingDevice() {
    if (post_) return true;
    if (shutDown_ || away_) return false;
    postFd_ = ::open(config_.uinputNode.c_str(), O_RDWR | O_CLOEXEC);
    if (postFd_ < 0) return false;
    libevdev* dev = libevdev_new();
    libevdev_set_name(dev, "Corvadine virtual input");
    libevdev_set_phys(dev, (std::string(kOwnPhysPrefix) + "post").c_str());
    libevdev_set_id_bustype(dev, BUS_VIRTUAL);
    libevdev_enable_event_type(dev, EV_KEY);
    for (std::uint16_t code : PostTranslator::keyCodes()) libevdev_enable_event_code(dev, EV_KEY, code, nullptr);
    libevdev_enable_event_type(dev, EV_REL);
    for (std::uint16_t axis : PostTranslator::relativeAxes()) libevdev_enable_event_code(dev, EV_REL, axis, nullptr);
    const int rc = libevdev_uinput_create_from_device(dev, postFd_, &post_);
    libevdev_free(dev);
    if (rc != 0) {
        post_ = nullptr;
        ::close(postFd_);
        postFd_ = -1;
        return false;
    }
    if (const char* sys = libevdev_uinput_get_syspath(post_)) postSyspath_ = sys;
    GrabTable::process().setPosting(postFd_);
    updateWatch();
    outputs_.attach(libevdev_uinput_get_fd(post_), OutputModifiers::kPosting);
    return true;
}

void DesktopInput::destroyPostingDevice() {
    if (post_) {
        writePostFrame(translator_.releaseAll());
        outputs_.detach(OutputModifiers::kPosting);
        GrabTable::process().setPosting(-1);
        libevdev_uinput_destroy(post_);
        post_ = nullptr;
    }
    if (postFd_ >= 0) ::close(postFd_);
    postFd_ = -1;
    updateWatch();
}

void DesktopInput::writePosted(const Event& event) {
    if (away_) return;  // nobody is there to receive it
    auto events = translator_.translate(event);
    if (events.empty() || !ensurePostingDevice()) return;
    const std::uint32_t type = event.type();
    if (type == platform::eventType::KeyDown || type == 1 || type == 3 || type == 25) outputs_.lift(event.flags());
    GrabTable& table = GrabTable::process();
    for (const input_event& ev : events) {
        if (ev.type != EV_KEY || ev.value == 2) continue;
        table.posted(ev.code, ev.value != 0);
        if (ev.value == 1 && judging_ != 0) postedFor_[judging_].insert(ev.code);
        if (ev.value == 0)
            for (auto it = postedFor_.begin(); it != postedFor_.end();)
                it = it->second.erase(ev.code) && it->second.empty() ? postedFor_.erase(it) : std::next(it);
    }
    if (writePostFrame(std::move(events))) ++counters_.posted;
    // The user's modifiers come back once every posted key and modifier is
    // up: a posted Shift still down beside a restored Alt is the desktop's
    // layout switch.
    if (!translator_.holdsAny()) outputs_.restore();
}

bool DesktopInput::writePostFrame(std::vector<input_event> events) {
    const bool written = outputs_.write(OutputModifiers::kPosting, post_, events);
    // While posted keys are down, the loop must keep turning.
    watchdog_.holding(translator_.holdsAny());
    return written;
}

void DesktopInput::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    while (!devices_.empty()) letGo(devices_.begin()->first);
    destroyPostingDevice();
}

std::vector<platform::EventTapInfo> DesktopInput::interferingTaps() const {
    std::vector<platform::EventTapInfo> out;
    std::uint32_t id = kFirstInterferingTapId;
    for (const auto& [syspath, pids] : busy_)
        for (const std::int32_t pid : pids)
            out.push_back(platform::EventTapInfo{id++, platform::TapLocation::Hid, platform::TapOptions::Default,
                                                 kRelevantTypes, pid, 0, true});
    return out;
}

InputAccess DesktopInput::access() const {
    std::vector<std::string> keyboards;
    for (const auto& node : nodes_)
        if (node.keyboard) keyboards.push_back(node.devnode);
    return checkInputAccess(keyboards, config_.uinputNode);
}

std::vector<std::string> DesktopInput::taken() const {
    std::vector<std::string> out;
    for (const auto& [syspath, device] : devices_) out.push_back(syspath);
    return out;
}

} // namespace corv::desktop
