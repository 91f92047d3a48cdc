// Time from a key or motion event written to a faked evdev device to the
// matching write on a uinput device, through the desktop's readers, the tap
// chain and the engine: an unbound key (to the clone), a key bound to
// "Media Play/Pause" (to the posting device) and pointer motion no tap wants.
// The devices are faked with umockdev, so each read and write also crosses
// umockdev's socket; the figures are an upper bound of the program's own part.
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

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace corv::bench {
namespace {

using Clock = std::chrono::steady_clock;

class InputScene {
public:
    InputScene() {
        desktop = std::make_unique<desktop::DesktopPlatform>(
            desktop::DesktopLocations{tmp.filePath("defaults.plist"), tmp.filePath("autostart")});
        resetShared();
        Apps::shared().a.modify([](AppEntries& entries) {
            entries[""].key[0][ModMask::Command] = BindAction::forAction(ActionId::MediaPlayPause);  // Super+A
        });
        engine::startEngineTaps();
        if (!test::spinUntil([&] { return input.grabbed(keyboard) && input.grabbed(mouse); }, 5000))
            std::fprintf(stderr, "the devices were not taken\n");
    }
    ~InputScene() {
        engine::stopEngineTaps();
        resetShared();
        desktop.reset();
    }

    std::size_t count(const std::string& name) {
        auto d = input.uinputDevice(name);
        return d ? d->events.size() : 0;
    }
    // Writes the frame and runs the loop until `name` got a new event; the
    // time between.
    double roundTrip(const std::string& node, const std::vector<test::InputEvent>& frame, const std::string& name) {
        const std::size_t before = count(name);
        const auto start = Clock::now();
        input.send(node, frame);
        if (!test::spinUntil([&] { return count(name) > before; }, 2000)) return -1;
        const auto d = input.uinputDevice(name);
        const auto written = d->writtenAt[before];
        // Let the rest of the frame through before the next one.
        test::spinUntil([&] { return false; }, 1);
        return std::chrono::duration<double>(written - start).count();
    }

    test::Testbed bed;
    test::InputTestbed input{bed};
    std::string keyboard = input.addDevice(test::fakeKeyboard());
    std::string mouse = input.addDevice(test::fakeMouse());
    QTemporaryDir tmp;
    std::unique_ptr<desktop::DesktopPlatform> desktop;
};

void report(benchmark::State& state, std::vector<double>& times) {
    if (times.empty()) return;
    std::sort(times.begin(), times.end());
    auto at = [&](double q) { return times[std::min(times.size() - 1, static_cast<std::size_t>(q * times.size()))]; };
    state.counters["p50_us"] = at(0.50) * 1e6;
    state.counters["p99_us"] = at(0.99) * 1e6;
    state.counters["max_us"] = times.back() * 1e6;
}

// Each iteration writes one frame; `frameOf(i)` gives it and the device to
// watch.
template <typename Frame>
void measure(benchmark::State& state, InputScene& scene, const std::string& node, const std::string& watched,
             Frame frameOf) {
    std::vector<double> times;
    std::int64_t i = 0;
    for (auto _ : state) {
        const double t = scene.roundTrip(node, frameOf(i++), watched);
        if (t < 0) {
            state.SkipWithError("no write came");
            break;
        }
        times.push_back(t);
        state.SetIterationTime(t);
    }
    report(state, times);
}

void UnboundKeyToClone(benchmark::State& state) {
    InputScene scene;
    measure(state, scene, scene.keyboard, "Fake Keyboard", [](std::int64_t i) {
        return std::vector<test::InputEvent>{{EV_MSC, MSC_SCAN, 5}, test::keyEvent(KEY_B, i % 2 == 0)};
    });
}
BENCHMARK(UnboundKeyToClone)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BoundKeyToPostingDevice(benchmark::State& state) {
    InputScene scene;
    scene.roundTrip(scene.keyboard, {test::keyEvent(KEY_LEFTMETA, 1)}, "Fake Keyboard");
    measure(state, scene, scene.keyboard, "Corvadine virtual input", [](std::int64_t i) {
        return std::vector<test::InputEvent>{{EV_MSC, MSC_SCAN, 4}, test::keyEvent(KEY_A, i % 2 == 0)};
    });
}
BENCHMARK(BoundKeyToPostingDevice)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

void PointerMotionToClone(benchmark::State& state) {
    InputScene scene;
    const auto toMain = scene.desktop->eventTaps.input.counters().toMain.load();
    measure(state, scene, scene.mouse, "Fake Mouse", [](std::int64_t i) {
        return std::vector<test::InputEvent>{test::relEvent(REL_X, i % 2 ? 1 : -1), test::relEvent(REL_Y, 1)};
    });
    state.counters["main_thread_events"] =
        static_cast<double>(scene.desktop->eventTaps.input.counters().toMain.load() - toMain);
}
BENCHMARK(PointerMotionToClone)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace corv::bench

int main(int argc, char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (!preload || !std::strstr(preload, "libumockdev-preload")) {
        ::setenv("LD_PRELOAD", corv::test::kUmockdevPreload, 1);
        ::execv("/proc/self/exe", argv);
        std::perror("cannot run again under umockdev");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS"})
        qputenv(name, "unix:path=/nonexistent/corvadine-bench-bus");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
