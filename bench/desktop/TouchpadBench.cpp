// Cost of the touchpad road per frame: the gesture recogniser, and the
// recogniser with the hold, over a three-finger swipe and a two-finger pinch.
// Then the real road under umockdev (a faked clickpad, the program with its
// engine, the clone): how long each frame of unbound multi-finger gestures
// takes from its write into the faked node to its write on the clone, above
// all the frames the hold keeps while the taps decide. Runs itself again
// under umockdev's preload library.
//   cmake --build build-bench --target touchpad_bench && build-bench/bench/touchpad_bench

#include "engine/LiveTaps.h"
#include "engine/MultitouchDevices.h"
#include "model/Apps.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/input/TouchpadGestures.h"
#include "platform/desktop/input/TouchpadHold.h"
#include "platform/desktop/input/TouchpadRecording.h"

#include "support/UmockdevInput.h"

#include <QApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

using corv::desktop::TouchpadGestures;
using corv::desktop::TouchpadHold;
using corv::test::TouchpadRecording;

std::vector<std::vector<input_event>> framesOf(const TouchpadRecording& rec) {
    std::vector<std::vector<input_event>> frames(1);
    for (const input_event& e : rec.events()) {
        frames.back().push_back(e);
        if (e.type == EV_SYN && e.code == SYN_REPORT) frames.emplace_back();
    }
    frames.pop_back();
    return frames;
}

TouchpadRecording gesture(int which) {
    TouchpadRecording rec;
    if (which == 0) rec.stroke(corv::test::fingersAround(3, 50, 35, 8), -30, 0, 0, 300);
    else rec.stroke(corv::test::fingersAround(2, 50, 35, 12), 0, 0, 20, 300);
    return rec;
}

void RecogniserPerFrame(benchmark::State& state) {
    const TouchpadRecording rec = gesture(static_cast<int>(state.range(0)));
    const auto frames = framesOf(rec);
    std::int64_t n = 0;
    for (auto _ : state) {
        TouchpadGestures g(rec.axes());
        for (const auto& f : frames) benchmark::DoNotOptimize(g.feed(f));
        n += static_cast<std::int64_t>(frames.size());
    }
    state.SetItemsProcessed(n);
}
BENCHMARK(RecogniserPerFrame)->Arg(0)->Arg(1);

void RecogniserAndHoldPerFrame(benchmark::State& state) {
    const TouchpadRecording rec = gesture(static_cast<int>(state.range(0)));
    const auto frames = framesOf(rec);
    std::int64_t n = 0;
    for (auto _ : state) {
        TouchpadGestures g(rec.axes());
        TouchpadHold h;
        for (const auto& f : frames) {
            const auto reports = g.feed(f);
            auto verdict = TouchpadHold::Verdict::NoGesture;
            for (const auto& e : reports.front().events)
                if (e.integerField(corv::platform::field::GesturePhase) == corv::platform::gesturePhase::Began)
                    verdict = TouchpadHold::Verdict::Passed;
            benchmark::DoNotOptimize(h.frame(f, reports.front().frame.fingerCount,
                                             g.kind() == TouchpadGestures::Kind::Undecided, verdict));
        }
        n += static_cast<std::int64_t>(frames.size());
    }
    state.SetItemsProcessed(n);
}
BENCHMARK(RecogniserAndHoldPerFrame)->Arg(0)->Arg(1);

using Clock = std::chrono::steady_clock;

// The program on a faked clickpad with its engine's taps live. The global
// profile binds a counter-clockwise rotation only, so every pinch and
// rotation is weighed before it passes.
class PadScene {
public:
    PadScene() {
        desktop = std::make_unique<corv::desktop::DesktopPlatform>(
            corv::desktop::DesktopLocations{tmp.filePath("defaults.plist"), tmp.filePath("autostart")});
        corv::resetShared();
        corv::Apps::shared().a.modify([](corv::AppEntries& entries) {
            entries[""].ges[2][corv::ActGes::Rotate][0][corv::ActDir::CCW] = corv::BindAction{};
        });
        corv::engine::startEngineTaps();
        if (!corv::test::spinUntil([&] { return input.grabbed(pad); }, 5000))
            std::fprintf(stderr, "the touchpad was not taken\n");
        corv::engine::startMultitouchDevices();
        corv::test::spinUntil([] { return false; }, 100);
    }
    ~PadScene() {
        corv::engine::stopEngineTaps();
        corv::resetShared();
        desktop.reset();
    }

    // Plays the recording a frame each 8 ms; for each frame, the seconds from
    // its write to its write on the clone. Empty when the clone did not get
    // the frames one for one.
    std::vector<double> play(const TouchpadRecording& rec) {
        const std::size_t before = clone().events.size();
        std::vector<Clock::time_point> sent;
        std::vector<corv::test::InputEvent> frame;
        for (const input_event& e : rec.events()) {
            frame.push_back({e.type, e.code, e.value});
            if (e.type != EV_SYN || e.code != SYN_REPORT) continue;
            sent.push_back(Clock::now());
            input.send(pad, frame);
            frame.clear();
            const auto next = sent.back() + std::chrono::microseconds(TouchpadRecording::kFrameUs);
            while (Clock::now() < next)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        }
        corv::test::spinUntil([] { return false; }, 60);
        const corv::test::UinputDevice d = clone();
        std::vector<double> delays;
        for (std::size_t i = before; i < d.events.size(); ++i) {
            if (d.events[i].type != EV_SYN || d.events[i].code != SYN_REPORT) continue;
            if (delays.size() == sent.size()) return {};
            delays.push_back(std::chrono::duration<double>(d.writtenAt[i] - sent[delays.size()]).count());
        }
        if (delays.size() != sent.size()) return {};
        return delays;
    }

    corv::test::UinputDevice clone() { return input.uinputDevice("Fake Touchpad").value_or(corv::test::UinputDevice{}); }

    corv::test::Testbed bed;
    corv::test::InputTestbed input{bed};
    std::string pad = input.addDevice(corv::test::fakeTouchpad());
    QTemporaryDir tmp;
    std::unique_ptr<corv::desktop::DesktopPlatform> desktop;
};

TouchpadRecording unbound(int which) {
    using corv::test::fingersAround;
    TouchpadRecording rec;
    switch (which) {
    case 0: rec.stroke(fingersAround(3, 50, 35, 8), -30, 0, 0, 300); break;   // swipe left
    case 1: rec.stroke(fingersAround(4, 50, 35, 8), 0, -25, 0, 300); break;   // swipe up
    case 2: rec.stroke(fingersAround(2, 50, 35, 12), 0, 20, 0, 300); break;   // scroll down
    case 3: rec.stroke(fingersAround(2, 50, 35, 12), 0, 0, 20, 300); break;   // spread
    case 4: rec.stroke(fingersAround(2, 50, 35, 12), 0, 0, 0, 300, 60); break;  // clockwise
    default: rec.stroke(fingersAround(3, 50, 35, 8), 0, 0, 0, 100); break;   // tap
    }
    return rec;
}

double quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
}

// A frame is held when it reached the clone only after the next frame came;
// the frame that ends a run of held ones is the one whose verdict freed them.
void HeldFrameToClone(benchmark::State& state) {
    PadScene scene;
    std::vector<double> every, held, freeing, passing;
    int mismatched = 0;
    for (auto _ : state) {
        for (int round = 0; round < 8; ++round) {
            for (int which = 0; which < 6; ++which) {
                const TouchpadRecording rec = unbound(which);
                const std::vector<double> d = scene.play(rec);
                if (d.empty()) {
                    ++mismatched;
                    continue;
                }
                const double frame = TouchpadRecording::kFrameUs / 1e6;
                bool previousHeld = false;
                for (std::size_t i = 0; i < d.size(); ++i) {
                    const bool isHeld = i + 1 < d.size() && d[i] > frame;
                    every.push_back(d[i]);
                    if (isHeld) held.push_back(d[i]);
                    else if (previousHeld) freeing.push_back(d[i]);
                    else passing.push_back(d[i]);
                    previousHeld = isHeld;
                }
            }
        }
    }
    state.counters["frames"] = static_cast<double>(every.size());
    state.counters["mismatched_sequences"] = mismatched;
    state.counters["every_p50_ms"] = quantile(every, 0.5) * 1e3;
    state.counters["every_p99_ms"] = quantile(every, 0.99) * 1e3;
    state.counters["held_frames"] = static_cast<double>(held.size());
    state.counters["held_p50_ms"] = quantile(held, 0.5) * 1e3;
    state.counters["held_p99_ms"] = quantile(held, 0.99) * 1e3;
    state.counters["freeing_p50_ms"] = quantile(freeing, 0.5) * 1e3;
    state.counters["freeing_p99_ms"] = quantile(freeing, 0.99) * 1e3;
    state.counters["unheld_p50_ms"] = quantile(passing, 0.5) * 1e3;
    state.counters["unheld_p99_ms"] = quantile(passing, 0.99) * 1e3;
}
BENCHMARK(HeldFrameToClone)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
