#include "platform/desktop/input/EvdevDevice.h"

#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/uinput.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace corv::desktop {

namespace {

bool ownPhys(const char* phys) {
    return phys && std::string_view(phys).starts_with(kOwnPhysPrefix);
}

// Whether the device reports a key or button down now.
bool anyKeyDown(int fd) {
    unsigned long bits[KEY_CNT / (8 * sizeof(unsigned long)) + 1] = {};
    if (::ioctl(fd, EVIOCGKEY(sizeof bits), bits) < 0) return false;
    for (unsigned long word : bits)
        if (word) return true;
    return false;
}

// The virtual key code of a key-down or key-up, which a tap may pass by;
// nothing for other units.
std::optional<std::uint16_t> filteredKey(const InputRouter::Unit& unit) {
    if (unit.kind != InputRouter::Unit::Kind::Key || !unit.event) return std::nullopt;
    const std::uint32_t type = unit.event->type();
    if (type != platform::eventType::KeyDown && type != platform::eventType::KeyUp) return std::nullopt;
    return static_cast<std::uint16_t>(unit.event->integerField(platform::field::KeyboardKeycode));
}

} // namespace

bool writeFrame(libevdev_uinput* device, const std::vector<input_event>& events) {
    if (!device || events.empty()) return false;
    // Frames of a few events are built on the stack.
    constexpr std::size_t kOnStack = 32;
    input_event onStack[kOnStack + 1];
    std::vector<input_event> onHeap;
    input_event* frame = onStack;
    if (events.size() > kOnStack) {
        onHeap.resize(events.size() + 1);
        frame = onHeap.data();
    }
    std::size_t n = 0;
    for (const auto& ev : events) frame[n++] = inputEvent(ev.type, ev.code, ev.value);  // the kernel stamps the time
    frame[n++] = inputEvent(EV_SYN, SYN_REPORT, 0);
    const int fd = libevdev_uinput_get_fd(device);
    const auto* bytes = reinterpret_cast<const char*>(frame);
    std::size_t left = n * sizeof(input_event);
    while (left > 0) {
        const ssize_t n = ::write(fd, bytes, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

std::unique_ptr<EvdevDevice> EvdevDevice::take(const InputNode& node, const std::string& uinputNode,
                                               std::int64_t sender, SeatModifiers& seat, OutputModifiers& outputs,
                                               Failure& failure) {
    failure = Failure::None;
    if (node.phys.starts_with(kOwnPhysPrefix)) {
        failure = Failure::Own;
        return nullptr;
    }
    std::unique_ptr<EvdevDevice> d(new EvdevDevice(node, sender, seat, outputs));
    d->fd_ = ::open(node.devnode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (d->fd_ < 0) d->fd_ = ::open(node.devnode.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (d->fd_ < 0 || libevdev_new_from_fd(d->fd_, &d->dev_) != 0) {
        failure = Failure::Open;
        return nullptr;
    }
    if (ownPhys(libevdev_get_phys(d->dev_))) {
        failure = Failure::Own;
        return nullptr;
    }
    // No grab unless a clone can be made: the uinput node must answer as one.
    unsigned version = 0;
    d->uinputFd_ = ::open(uinputNode.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (d->uinputFd_ < 0 || ::ioctl(d->uinputFd_, UI_GET_VERSION, &version) != 0) {
        failure = Failure::Clone;
        return nullptr;
    }
    // Taken with a key down, the desktop would keep that key down: its up
    // would come to us, and the clone never had it down. Asked before the
    // grab, which would steal the desktop's events, and once more after it.
    if (anyKeyDown(d->fd_)) {
        failure = Failure::KeysDown;
        return nullptr;
    }
    if (const int rc = libevdev_grab(d->dev_, LIBEVDEV_GRAB); rc != 0) {
        failure = rc == -EBUSY ? Failure::Busy : Failure::Grab;
        return nullptr;
    }
    if (anyKeyDown(d->fd_)) {
        failure = Failure::KeysDown;
        return nullptr;  // the destructor lets the node go
    }
    d->router_.setCapsLock(libevdev_get_event_value(d->dev_, EV_LED, LED_CAPSL) != 0);
    if (node.touchpad && libevdev_has_event_code(d->dev_, EV_ABS, ABS_MT_SLOT)) {
        auto range = [&](unsigned code) -> std::optional<AxisRange> {
            const input_absinfo* a = libevdev_get_abs_info(d->dev_, code);
            if (!a) return std::nullopt;
            return AxisRange{a->minimum, a->maximum, a->resolution};
        };
        TouchpadAxes axes;
        axes.x = range(ABS_MT_POSITION_X).value_or(AxisRange{});
        axes.y = range(ABS_MT_POSITION_Y).value_or(AxisRange{});
        axes.pressure = range(ABS_MT_PRESSURE);
        axes.touchMajor = range(ABS_MT_TOUCH_MAJOR);
        axes.slotCount = libevdev_get_num_slots(d->dev_);
        d->touchpad_ = std::make_unique<Touchpad>(Touchpad{TouchpadGestures(axes), TouchpadHold(axes.slotCount), TouchpadVerdict{}});
    }
    // The clone carries our mark in its phys, so that we never take it ourselves.
    const std::string phys = libevdev_get_phys(d->dev_) ? libevdev_get_phys(d->dev_) : "";
    libevdev_set_phys(d->dev_, (std::string(kOwnPhysPrefix) + "clone").c_str());
    const int rc = libevdev_uinput_create_from_device(d->dev_, d->uinputFd_, &d->clone_);
    libevdev_set_phys(d->dev_, phys.empty() ? nullptr : phys.c_str());
    if (rc != 0) {
        failure = Failure::Clone;
        return nullptr;  // the destructor lets the node go
    }
    if (const char* sys = libevdev_uinput_get_syspath(d->clone_)) d->cloneSyspath_ = sys;
    d->lights_ = libevdev_has_event_type(d->dev_, EV_LED);
    // The clone starts with the keyboard's lights, so that the desktop's
    // first change of them is one for the clone too.
    std::vector<input_event> lit;
    for (unsigned code = 0; d->lights_ && code <= LED_MAX; ++code)
        if (libevdev_has_event_code(d->dev_, EV_LED, code) && libevdev_get_event_value(d->dev_, EV_LED, code) != 0)
            lit.push_back(inputEvent(EV_LED, static_cast<std::uint16_t>(code), 1));
    if (!lit.empty()) writeFrame(d->clone_, lit);
    d->outputIndex_ = outputs.attach(libevdev_uinput_get_fd(d->clone_));
    return d;
}

EvdevDevice::~EvdevDevice() {
    release();
}

void EvdevDevice::start(Host& host) {
    if (reader_.joinable() || released_) return;
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
    reader_ = std::thread([this, &host] { run(&host); });
}

void EvdevDevice::setRemap(std::map<std::uint16_t, std::uint16_t> remap) {
    std::lock_guard<std::mutex> lock(remapMutex_);
    newRemap_ = std::move(remap);
    remapChanged_ = true;
    if (!reader_.joinable()) {
        router_.setRemap(std::move(*newRemap_));
        newRemap_.reset();
        remapChanged_ = false;
    }
}

void EvdevDevice::release() {
    if (released_) return;
    released_ = true;
    stop_ = true;
    if (wake_[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] auto n = ::write(wake_[1], &c, 1);
    }
    {
        std::lock_guard<std::mutex> lock(waitMutex);
        if (wakeWaiter) wakeWaiter();
    }
    if (reader_.joinable()) reader_.join();
    endedKeys_ = router_.endKeys();
    if (clone_) {
        write(router_.releaseAll());
        outputs_.detach(std::exchange(outputIndex_, -1));
        libevdev_uinput_destroy(clone_);
        clone_ = nullptr;
    }
    if (dev_) {
        libevdev_grab(dev_, LIBEVDEV_UNGRAB);
        libevdev_free(dev_);
        dev_ = nullptr;
    }
    for (int* fd : {&fd_, &uinputFd_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void EvdevDevice::write(std::vector<input_event> events) {
    outputs_.write(outputIndex_, clone_, events);
}

void EvdevDevice::routeTouchpad(Host& host, std::vector<input_event>& frame) {
    const std::uint64_t gestureTypes =
        (std::uint64_t{1} << platform::eventType::Gesture) | (std::uint64_t{1} << platform::eventType::DockControl);
    const std::uint64_t wanted = host.wantedTypes() & gestureTypes;
    for (TouchpadReport& report : touchpad_->gestures.feed(frame)) {
        host.touchFrame(*this, report.frame.fingerCount);
        for (platform::Event& e : report.events) {
            e.setIntegerField(platform::field::SenderRegistryId, sender_);
            e.setFlags(seat_.flags());
            bool passed = true;
            if (wanted & (std::uint64_t{1} << e.type())) {
                const Verdict v = host.ask(*this, e);
                passed = v.passed || v.event.has_value();
            } else {
                host.passedUnasked();
            }
            touchpad_->verdict.answered(e, passed);
        }
        const TouchpadHold::Verdict began = touchpad_->verdict.take();
        // Nothing waits for taps that want no gestures.
        const bool undecided = wanted != 0 && (touchpad_->gestures.kind() == TouchpadGestures::Kind::Undecided ||
                                               touchpad_->verdict.weighing());
        const bool held = touchpad_->hold.state() == TouchpadHold::State::Holding;
        writeFrames(touchpad_->hold.frame(frame, report.frame.fingerCount, undecided, began));
        if (!held && touchpad_->hold.state() == TouchpadHold::State::Holding)
            holdEnds_ = std::chrono::steady_clock::now() + host.holdBound();
    }
    frame.clear();
}

void EvdevDevice::writeFrames(const std::vector<input_event>& out) {
    std::vector<input_event> one;
    for (const input_event& ev : out) {
        if (ev.type == EV_SYN && ev.code == SYN_REPORT) {
            if (clone_) writeFrame(clone_, one);
            one.clear();
        } else {
            one.push_back(ev);
        }
    }
}

int EvdevDevice::pollTimeout() const {
    if (!touchpad_ || touchpad_->hold.state() != TouchpadHold::State::Holding) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(holdEnds_ - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::int64_t>(0, left.count()));
}

bool EvdevDevice::passLights() {
    // The desktop's writes to the clone come back on its uinput descriptor
    // as they changed its state, without SYN_REPORTs.
    input_event in[16];
    const ssize_t n = ::read(uinputFd_, in, sizeof in);
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    if (n == 0) return false;
    input_event out[std::size(in) + 1];
    std::size_t count = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(n) / sizeof(input_event); ++i)
        if (in[i].type == EV_LED) out[count++] = inputEvent(EV_LED, in[i].code, in[i].value);
    if (count == 0) return true;
    out[count++] = inputEvent(EV_SYN, SYN_REPORT, 0);
    ssize_t w;
    do w = ::write(fd_, out, count * sizeof(input_event));
    while (w < 0 && errno == EINTR);
    return true;
}

void EvdevDevice::endTouches(Host& host, const input_event& at) {
    const std::uint64_t ns = static_cast<std::uint64_t>(at.input_event_sec) * 1'000'000'000ULL +
                             static_cast<std::uint64_t>(at.input_event_usec) * 1'000ULL;
    for (platform::Event& e : touchpad_->gestures.reset(ns)) {
        e.setIntegerField(platform::field::SenderRegistryId, sender_);
        e.setFlags(seat_.flags());
        if (e.type() < 64 && (host.wantedTypes() & (std::uint64_t{1} << e.type()))) host.ask(*this, e);
    }
    touchpad_->verdict = TouchpadVerdict{};
}

void EvdevDevice::route(Host& host, std::vector<input_event>& frame) {
    if (touchpad_) {
        routeTouchpad(host, frame);
        return;
    }
    if (node_.keyboard) host.keyFrame(*this, frame);
    if (remapChanged_.exchange(false)) {
        std::lock_guard<std::mutex> lock(remapMutex_);
        if (newRemap_) router_.setRemap(std::move(*newRemap_));
        newRemap_.reset();
    }
    out_.clear();
    for (const auto& unit : router_.split(frame)) {
        std::vector<input_event> part;
        const std::uint64_t wanted = host.wantedTypes();
        const auto key = filteredKey(unit);
        const bool watched = !key || host.asksKey(*key);
        if (!router_.waits(unit, wanted, watched)) {
            part = router_.pass(unit, !watched && router_.waits(unit, wanted));
            host.passedUnasked();
        } else if (Verdict v = host.ask(*this, *unit.event); v.passed) {
            part = router_.pass(unit);
        } else {
            part = router_.resolve(unit, v.event);
        }
        out_.insert(out_.end(), part.begin(), part.end());
    }
    frame.clear();
    outputs_.write(outputIndex_, clone_, out_);
}

void EvdevDevice::run(Host* host) {
    std::vector<input_event> frame;
    bool gone = false;
    int emptyWakes = 0;  // a node at its end reads nothing although poll says it can
    auto take = [&](const input_event& ev) {
        if (ev.type == EV_SYN && ev.code == SYN_REPORT) {
            if (touchpad_) frame.push_back(ev);
            if (!frame.empty()) route(*host, frame);
        } else if (ev.type != EV_SYN && ev.type != EV_LED) {
            // The lights are the desktop's: the device reports only what was
            // written to it, and the clone would send that back.
            frame.push_back(ev);
        }
    };
    bool lights = lights_;
    while (!stop_ && !gone) {
        pollfd fds[3] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}, {lights ? uinputFd_ : -1, POLLIN, 0}};
        const int n = ::poll(fds, 3, pollTimeout());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || stop_) break;
        if (n == 0) {
            // A touch held back for long enough goes to the clone though no
            // frame came to end the hold.
            if (touchpad_) writeFrames(touchpad_->hold.expire());
            continue;
        }
        if (fds[0].revents & POLLIN) {
            bool any = false;
            for (;;) {
                input_event ev{};
                int rc = libevdev_next_event(dev_, LIBEVDEV_READ_FLAG_NORMAL, &ev);
                if (rc == LIBEVDEV_READ_STATUS_SYNC) {
                    // Events were dropped: the half-read frame is stale, and the
                    // device's state comes again as one frame of differences.
                    frame.clear();
                    if (touchpad_) endTouches(*host, ev);
                    while (rc == LIBEVDEV_READ_STATUS_SYNC) {
                        rc = libevdev_next_event(dev_, LIBEVDEV_READ_FLAG_SYNC, &ev);
                        if (rc == LIBEVDEV_READ_STATUS_SYNC) take(ev);
                    }
                    if (!frame.empty()) route(*host, frame);
                    any = true;
                    continue;
                }
                if (rc == -EAGAIN) break;
                if (rc == -EINTR) continue;
                if (rc < 0) {
                    gone = true;
                    break;
                }
                any = true;
                take(ev);
                if (stop_) break;
            }
            emptyWakes = any ? 0 : emptyWakes + 1;
            if (emptyWakes >= 3) gone = true;
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) gone = true;
        if (fds[2].revents & POLLIN) lights = passLights();
        else if (fds[2].revents) lights = false;
    }
    if (gone && !stop_) host->gone(*this);
}

} // namespace corv::desktop
