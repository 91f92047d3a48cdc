// The gesture tap's cost per event: a bound two-finger swipe (its began and
// changed events) and an unbound event passing through. Each case is measured
// through the simulated event stream (injection, the tap chain, the logs) and
// on the handler alone; the event copy that every handler call takes is
// measured apart.

#include "engine/EngineTaps.h"
#include "engine/GestureTap.h"
#include "engine/MultitouchDevices.h"
#include "engine/TrackpadTaps.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "platform/sim/SimPlatform.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace corv::bench {
namespace {

constexpr std::int64_t kTrackpadId = 0x7001;
constexpr std::uint64_t kCommand = 0x100000;
constexpr std::uint16_t kLeftBracket = 33;
constexpr platform::Point kOverBound{100, 100};
constexpr platform::Point kOverUnbound{700, 100};
// The simulation's logs are emptied this often, outside the timing.
constexpr std::int64_t kLogBatch = 4096;

// A Magic Trackpad; application X, whose entry binds the two-finger Swipe
// Left to Command+[ (multi-shot), and application Y, with no entry, side by side.
class Scene {
public:
    Scene() {
        resetShared();
        sim = std::make_unique<sim::SimPlatform>();
        sim->registry.addHidDevice(kTrackpadId, "Magic Trackpad", "Apple Inc.");
        touchSurface = sim->multitouch.addDevice(0x31);
        engine::startMultitouchDevices();
        openApp(42, "com.example.x", {0, 0, 600, 800});
        openApp(43, "com.example.y", {600, 0, 600, 800});

        BindAction hotkey;
        hotkey.isHotkey = true;
        hotkey.hotkeyMod = kCommand;
        hotkey.hotkeyKey = kLeftBracket;
        // Multi-shot, so that every changed event steps the item.
        hotkey.multiShot = true;
        Apps::shared().a.modify([&](AppEntries& entries) {
            entries[""] = AnApp{};
            entries["com.example.x"].ges[2][ActGes::Swipe][0][ActDir::Left] = hotkey;
        });

        engine::installTrackpadTapHandlers();
        engine::setTapEnabled(engine::gestureTap());
        engine::setTapEnabled(engine::clickTap());
        sim->multitouch.frame(touchSurface, 2);
    }
    ~Scene() {
        resetShared();
        sim.reset();
    }

    static platform::Event scrollGesture(std::int64_t phase, double dx, double dy, platform::Point at) {
        platform::Event e;
        e.setType(29);
        e.setIntegerField(87, kTrackpadId);
        e.setIntegerField(110, 6);
        e.setIntegerField(132, phase);
        e.setDoubleField(118, dx);
        e.setDoubleField(119, dy);
        e.setLocation(at);
        return e;
    }

    void inject(const platform::Event& e) { sim->events.inject(e); }

    // Empties the logs every kLogBatch iterations, untimed.
    void trimLogs(benchmark::State& state, std::int64_t& n) {
        if (++n % kLogBatch != 0) return;
        state.PauseTiming();
        sim->runLoop.runPending();
        sim->events.clearLogs();
        state.ResumeTiming();
    }

    std::unique_ptr<sim::SimPlatform> sim;
    platform::MultitouchDevice touchSurface = 0;

private:
    void openApp(std::int32_t pid, const std::string& bundleId, sim::SimWindowServer::Window frame) {
        sim->workspace.addApp(pid, bundleId, bundleId);
        frame.id = static_cast<std::uint32_t>(pid * 10);
        frame.owner = 1000 + pid;
        sim->windowServer.windows.push_back(frame);
        sim->windowServer.connectionPids[frame.owner] = pid;
    }
};

const platform::TapProxy kProxy = nullptr;

// Through the simulated stream.

// Injects the event again and again, after the optional first one.
void injectRepeatedly(benchmark::State& state, const platform::Event* first, const platform::Event& repeated) {
    Scene scene;
    if (first) scene.inject(*first);
    std::int64_t n = 0;
    for (auto _ : state) {
        scene.inject(repeated);
        scene.trimLogs(state, n);
    }
    state.SetItemsProcessed(state.iterations());
}

void SimBoundSwipeBegan(benchmark::State& state) {
    injectRepeatedly(state, nullptr, Scene::scrollGesture(1, -6, 1, kOverBound));
}
BENCHMARK(SimBoundSwipeBegan);

void SimBoundSwipeChanged(benchmark::State& state) {
    const platform::Event began = Scene::scrollGesture(1, -6, 1, kOverBound);
    injectRepeatedly(state, &began, Scene::scrollGesture(2, -2, 0.5, kOverBound));
}
BENCHMARK(SimBoundSwipeChanged);

void SimUnboundPassesThrough(benchmark::State& state) {
    const platform::Event began = Scene::scrollGesture(1, -6, 1, kOverUnbound);
    injectRepeatedly(state, &began, Scene::scrollGesture(2, -2, 0.5, kOverUnbound));
}
BENCHMARK(SimUnboundPassesThrough);

// The handler alone; each call takes its own copy of the event.

void EventCopy(benchmark::State& state) {
    const platform::Event changed = Scene::scrollGesture(2, -2, 0.5, kOverBound);
    for (auto _ : state) {
        platform::Event copy = changed;
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(EventCopy);

void HandlerBoundSwipeBegan(benchmark::State& state) {
    Scene scene;
    const platform::Event began = Scene::scrollGesture(1, -6, 1, kOverBound);
    for (auto _ : state) benchmark::DoNotOptimize(engine::gestureTapHandler(kProxy, 29, began));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(HandlerBoundSwipeBegan);

void HandlerBoundSwipeChanged(benchmark::State& state) {
    Scene scene;
    benchmark::DoNotOptimize(engine::gestureTapHandler(kProxy, 29, Scene::scrollGesture(1, -6, 1, kOverBound)));
    const platform::Event changed = Scene::scrollGesture(2, -2, 0.5, kOverBound);
    for (auto _ : state) benchmark::DoNotOptimize(engine::gestureTapHandler(kProxy, 29, changed));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(HandlerBoundSwipeChanged);

void HandlerUnboundPassesThrough(benchmark::State& state) {
    Scene scene;
    benchmark::DoNotOptimize(engine::gestureTapHandler(kProxy, 29, Scene::scrollGesture(1, -6, 1, kOverUnbound)));
    const platform::Event changed = Scene::scrollGesture(2, -2, 0.5, kOverUnbound);
    for (auto _ : state) benchmark::DoNotOptimize(engine::gestureTapHandler(kProxy, 29, changed));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(HandlerUnboundPassesThrough);

} // namespace
} // namespace corv::bench
