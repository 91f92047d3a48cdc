// Cost of the touchpad road per frame: the gesture recogniser, and the
// recogniser with the hold, over a three-finger swipe and a two-finger pinch.
//   cmake --build build-bench --target touchpad_bench && build-bench/bench/touchpad_bench

#include "platform/desktop/TouchpadGestures.h"
#include "platform/desktop/TouchpadHold.h"
#include "platform/desktop/TouchpadRecording.h"

#include <benchmark/benchmark.h>

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

} // namespace

BENCHMARK_MAIN();
