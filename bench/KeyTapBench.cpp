// The key tap's cost per key-down: a key bound to a key combination (the
// substitute is posted through the tap's proxy) and an unbound key that
// passes, each through the simulated event stream and on the handler alone.

#include "engine/EngineTaps.h"
#include "engine/KeyTap.h"
#include "engine/LiveTaps.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "platform/sim/SimPlatform.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace corv::bench {
namespace {

constexpr std::uint64_t kCommand = 0x100000;
constexpr std::uint64_t kShift = 0x20000;
constexpr std::uint16_t kBoundKey = 40;    // K
constexpr std::uint16_t kUnboundKey = 0;   // A
constexpr std::uint16_t kSpace = 49;
constexpr std::int64_t kKeyboardId = 0x7201;
constexpr std::int64_t kLogBatch = 4096;

// The global profile binds Shift+K (through mask 0) to Command+Space, beside
// a few other keys; the engine's taps are on.
class KeyScene {
public:
    KeyScene() {
        resetShared();
        sim = std::make_unique<sim::SimPlatform>();
        BindAction combo;
        combo.isHotkey = true;
        combo.hotkeyMod = kCommand;
        combo.hotkeyKey = kSpace;
        Apps::shared().a.modify([&](AppEntries& entries) {
            AnApp& global = entries[""];
            global.key[kBoundKey][0] = combo;
            for (std::uint16_t k = 96; k < 104; ++k) global.key[k][0x10] = combo;
        });
        engine::startEngineTaps();
    }
    ~KeyScene() {
        resetShared();
        sim.reset();
    }

    static platform::Event keyDown(std::uint16_t code) {
        platform::Event e = platform::Event::keyboard(code, true);
        e.setFlags(kShift);
        e.setIntegerField(87, kKeyboardId);
        return e;
    }

    void trimLogs(benchmark::State& state, std::int64_t& n) {
        if (++n % kLogBatch != 0) return;
        state.PauseTiming();
        sim->runLoop.runPending();
        sim->events.clearLogs();
        state.ResumeTiming();
    }

    std::unique_ptr<sim::SimPlatform> sim;
};

void injectKeyDowns(benchmark::State& state, std::uint16_t code) {
    KeyScene scene;
    const platform::Event down = KeyScene::keyDown(code);
    std::int64_t n = 0;
    for (auto _ : state) {
        scene.sim->events.inject(down);
        scene.trimLogs(state, n);
    }
    state.SetItemsProcessed(state.iterations());
}

void SimBoundKeyDown(benchmark::State& state) { injectKeyDowns(state, kBoundKey); }
BENCHMARK(SimBoundKeyDown);

void SimUnboundKeyDown(benchmark::State& state) { injectKeyDowns(state, kUnboundKey); }
BENCHMARK(SimUnboundKeyDown);

void handleKeyDowns(benchmark::State& state, std::uint16_t code) {
    KeyScene scene;
    const platform::Event down = KeyScene::keyDown(code);
    const platform::TapProxy proxy = scene.sim->events.proxyOf(engine::keyTap().tap);
    std::int64_t n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine::keyTapHandler(proxy, 10, down));
        scene.trimLogs(state, n);
    }
    state.SetItemsProcessed(state.iterations());
}

void HandlerBoundKeyDown(benchmark::State& state) { handleKeyDowns(state, kBoundKey); }
BENCHMARK(HandlerBoundKeyDown);

void HandlerUnboundKeyDown(benchmark::State& state) { handleKeyDowns(state, kUnboundKey); }
BENCHMARK(HandlerUnboundKeyDown);

} // namespace
} // namespace corv::bench
