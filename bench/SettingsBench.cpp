// Loading and saving large profiles: applications x bindings, each binding a
// key combination with a name. Saved into the simulated user defaults and
// loaded back over an empty start.

#include "model/Apps.h"
#include "model/SettingsStore.h"
#include "model/Shared.h"
#include "platform/sim/SimPlatform.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace corv::bench {
namespace {

AppEntries profile(int apps, int bindings) {
    AppEntries out;
    for (int a = 0; a < apps; ++a) {
        AnApp app = AnApp::makeGlobalDefault("/home/user");
        app.url = Url("file:///Applications/App" + std::to_string(a) + ".app/");
        for (int b = 0; b < bindings; ++b) {
            BindAction action = BindAction::forAction(b % 57);
            action.hotkeyName = "binding " + std::to_string(b);
            if (b % 2 == 0) {
                app.key[static_cast<std::uint64_t>(b)][0x100000] = action;
            } else {
                const auto dir = static_cast<ActDir>(b % 9);
                app.ges[2 + b % 2][ActGes::Swipe][static_cast<std::uint64_t>(b / 18) << 17][dir] = action;
            }
        }
        out[a == 0 ? std::string() : "com.example.app" + std::to_string(a)] = std::move(app);
    }
    return out;
}

struct Scene {
    explicit Scene(const benchmark::State& state) {
        resetShared();
        sim = std::make_unique<sim::SimPlatform>();
        Apps::shared().a.set(profile(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
    }
    ~Scene() { resetShared(); }
    std::unique_ptr<sim::SimPlatform> sim;
};

void BM_SaveSettings(benchmark::State& state) {
    Scene scene(state);
    for (auto _ : state) benchmark::DoNotOptimize(saveSettings());
    state.counters["blob_bytes"] = static_cast<double>(scene.sim->defaults.data(settings_keys::kAppItems)->size());
}

void BM_LoadSettings(benchmark::State& state) {
    Scene scene(state);
    saveSettings();
    for (auto _ : state) {
        state.PauseTiming();
        resetShared();
        state.ResumeTiming();
        loadSettings();
    }
    if (Apps::shared().a().size() != static_cast<std::size_t>(state.range(0))) state.SkipWithError("profile lost");
}

void BM_SettingsFile(benchmark::State& state) {
    Scene scene(state);
    for (auto _ : state) benchmark::DoNotOptimize(settingsFileBytes());
}

#define PROFILES ->Args({10, 10})->Args({100, 100})->Args({1000, 100})->Unit(benchmark::kMillisecond)
BENCHMARK(BM_SaveSettings) PROFILES;
BENCHMARK(BM_LoadSettings) PROFILES;
BENCHMARK(BM_SettingsFile) PROFILES;

} // namespace
} // namespace corv::bench
