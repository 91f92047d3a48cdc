// Time from a key or motion event written to a faked evdev device to the
// matching write on a uinput device, through the desktop's readers, the tap
// chain and the engine: an unbound key (to the clone), a key bound to
// "Media Play/Pause" (to the posting device) and pointer motion no tap wants.
// The devices are faked with umockdev, so each read and write also crosses
// umockdev's socket; RigAloneKeyToClone measures that cost with a bare copying
// reader, and the program's own part is the difference.
// Runs itself again under umockdev's preload library.

#include "engine/LiveTaps.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/ModifierMask.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"

#include "support/UmockdevInput.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <poll.h>
#include <thread>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace corv::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Frame = std::vector<test::InputEvent>;

// The faked devices, with the program on them or without it.
class Rig {
public:
    std::size_t count(const std::string& name) {
        Clock::time_point unused;
        return input.writtenCount(name, 0, unused);
    }
    // Writes the frame and runs the loop until `name` got `events` more
    // events (SYN_REPORTs included), so that none lands in the next round;
    // the time to the first of them, or -1. Each look at the log copies a
    // count and one time, not the log.
    double roundTrip(const std::string& node, const Frame& frame, const std::string& name, std::size_t events) {
        const std::size_t before = count(name);
        Clock::time_point first{};
        const auto start = Clock::now();
        input.send(node, frame);
        const bool came =
            test::spinUntil([&] { return input.writtenCount(name, before, first) >= before + events; }, 2000);
        if (!came) return -1;
        return std::chrono::duration<double>(first - start).count();
    }

    test::Testbed bed;
    test::InputTestbed input{bed};
    std::string keyboard = input.addDevice(test::fakeKeyboard());
    std::string mouse = input.addDevice(test::fakeMouse());
};

// The program on the faked devices, its engine's taps live, Super+A bound to
// "Media Play/Pause".
class InputScene : public Rig {
public:
    InputScene() {
        desktop = std::make_unique<desktop::DesktopPlatform>(
            desktop::DesktopLocations{tmp.filePath("defaults.plist"), tmp.filePath("autostart")});
        resetShared();
        Apps::shared().a.modify([](AppEntries& entries) {
            entries[""].key[0][ModMask::Command] = BindAction::forAction(ActionId::MediaPlayPause);
        });
        engine::startEngineTaps();
        if (!test::spinUntil([&] { return input.grabbed(keyboard) && input.grabbed(mouse); }, 5000))
            std::fprintf(stderr, "the devices were not taken\n");
        test::spinUntil([] { return false; }, 100);  // the clones' uevents
    }
    ~InputScene() {
        engine::stopEngineTaps();
        resetShared();
        desktop.reset();
    }

    QTemporaryDir tmp;
    std::unique_ptr<desktop::DesktopPlatform> desktop;
};

// The rig's own cost: a bare reader that copies each frame of the faked
// keyboard to a clone in one write, with no chain and no main thread.
class BareCopy : public Rig {
public:
    BareCopy() {
        fd_ = ::open(keyboard.c_str(), O_RDONLY | O_NONBLOCK);
        uinput_ = ::open("/dev/uinput", O_RDWR);
        if (fd_ < 0 || uinput_ < 0 || libevdev_new_from_fd(fd_, &dev_) != 0 ||
            libevdev_uinput_create_from_device(dev_, uinput_, &clone_) != 0)
            std::fprintf(stderr, "no bare copy\n");
        reader_ = std::thread([this] {
            std::vector<input_event> frame;
            while (!stop_) {
                pollfd p{fd_, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0) continue;
                input_event ev{};
                while (libevdev_next_event(dev_, LIBEVDEV_READ_FLAG_NORMAL, &ev) == LIBEVDEV_READ_STATUS_SUCCESS) {
                    frame.push_back(ev);
                    if (ev.type == EV_SYN) {
                        [[maybe_unused]] auto n = ::write(uinput_, frame.data(), frame.size() * sizeof(input_event));
                        frame.clear();
                    }
                }
            }
        });
        test::spinUntil([] { return false; }, 100);
    }
    ~BareCopy() {
        stop_ = true;
        reader_.join();
        if (clone_) libevdev_uinput_destroy(clone_);
        if (dev_) libevdev_free(dev_);
    }

private:
    int fd_ = -1, uinput_ = -1;
    libevdev* dev_ = nullptr;
    libevdev_uinput* clone_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread reader_;
};

void report(benchmark::State& state, std::vector<double>& times) {
    if (times.empty()) return;
    std::sort(times.begin(), times.end());
    auto at = [&](double q) { return times[std::min(times.size() - 1, static_cast<std::size_t>(q * times.size()))]; };
    state.counters["p50_us"] = at(0.50) * 1e6;
    state.counters["p99_us"] = at(0.99) * 1e6;
    state.counters["max_us"] = times.back() * 1e6;
}

// Each iteration writes one frame and waits for `events` written to `watched`;
// `after` runs untimed after each.
void measure(benchmark::State& state, Rig& rig, const std::string& node, const std::string& watched,
             const std::function<Frame(std::int64_t)>& frameOf, std::size_t events,
             const std::function<void(std::int64_t)>& after = {}) {
    std::vector<double> times;
    std::int64_t i = 0;
    for (auto _ : state) {
        const double t = rig.roundTrip(node, frameOf(i), watched, events);
        if (t < 0) {
            state.SkipWithError("no write came");
            break;
        }
        times.push_back(t);
        state.SetIterationTime(t);
        if (after) after(i);
        ++i;
    }
    report(state, times);
}

Frame keyB(std::int64_t i) { return {{EV_MSC, MSC_SCAN, 5}, test::keyEvent(KEY_B, i % 2 == 0)}; }

void RigAloneKeyToClone(benchmark::State& state) {
    BareCopy rig;
    measure(state, rig, rig.keyboard, "Fake Keyboard", keyB, 3);
}
BENCHMARK(RigAloneKeyToClone)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

void UnboundKeyToClone(benchmark::State& state) {
    InputScene scene;
    measure(state, scene, scene.keyboard, "Fake Keyboard", keyB, 3);
}
BENCHMARK(UnboundKeyToClone)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

// A's down posts play/pause down and up (two frames); its up is swallowed.
void BoundKeyToPostingDevice(benchmark::State& state) {
    InputScene scene;
    scene.roundTrip(scene.keyboard, {test::keyEvent(KEY_LEFTMETA, 1)}, "Fake Keyboard", 2);
    const auto& counters = scene.desktop->eventTaps.input.counters();
    measure(
        state, scene, scene.keyboard, "Corvadine virtual input",
        [](std::int64_t) { return Frame{{EV_MSC, MSC_SCAN, 4}, test::keyEvent(KEY_A, 1)}; }, 4,
        [&](std::int64_t) {
            const auto asked = counters.toMain.load();
            scene.input.send(scene.keyboard, {{EV_MSC, MSC_SCAN, 4}, test::keyEvent(KEY_A, 0)});
            test::spinUntil([&] { return counters.toMain.load() > asked; }, 2000);
            test::spinUntil([] { return false; }, 1);
        });
}
BENCHMARK(BoundKeyToPostingDevice)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

void PointerMotionToClone(benchmark::State& state) {
    InputScene scene;
    const auto toMain = scene.desktop->eventTaps.input.counters().toMain.load();
    measure(
        state, scene, scene.mouse, "Fake Mouse",
        [](std::int64_t i) { return Frame{test::relEvent(REL_X, i % 2 ? 1 : -1), test::relEvent(REL_Y, 1)}; }, 3);
    state.counters["main_thread_events"] =
        static_cast<double>(scene.desktop->eventTaps.input.counters().toMain.load() - toMain);
}
BENCHMARK(PointerMotionToClone)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace corv::bench
