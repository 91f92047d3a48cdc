// These tests run on Qt's real clock: delays are short and every check leaves
// a wide margin.

#include "platform/desktop/DesktopRunLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace corv::desktop {
namespace {

class DesktopRunLoopTest : public ::testing::Test {
protected:
    platform::Task note(std::string what) {
        return [this, what] { log.push_back(what); };
    }

    DesktopRunLoop loop;
    std::vector<std::string> log;
};

TEST_F(DesktopRunLoopTest, PostRunsOnALaterTurnInOrder) {
    loop.post([this] {
        log.push_back("a");
        loop.post(note("c"));
    });
    loop.post(note("b"));
    EXPECT_TRUE(log.empty());
    loop.runFor(0.02);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(DesktopRunLoopTest, RunForZeroRunsWhatIsPending) {
    loop.post(note("a"));
    loop.postAfter(0, note("b"));
    loop.runFor(0);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b"}));
}

TEST_F(DesktopRunLoopTest, DelayedTasksRunInDueOrderAndNotEarly) {
    const double start = loop.now();
    double lateAt = 0;
    loop.postAfter(0.04, [&] {
        lateAt = loop.now();
        log.push_back("late");
    });
    loop.postAfter(0.01, note("early"));
    loop.post(note("now"));
    loop.runFor(0.12);
    EXPECT_EQ(log, (std::vector<std::string>{"now", "early", "late"}));
    EXPECT_GE(lateAt - start, 0.04);
    EXPECT_GE(loop.now() - start, 0.12);
    EXPECT_EQ(loop.timerCount(), 0u);
}

TEST_F(DesktopRunLoopTest, CancelledTasksDoNotRun) {
    const auto id = loop.postAfter(0.01, note("cancelled"));
    const auto far = loop.postAfter(1e9, note("far"));  // beyond one Qt timer's range
    loop.postAfter(0.01, note("kept"));
    loop.cancel(id);
    loop.cancel(id);
    loop.cancel(987654321);
    loop.runFor(0.05);
    EXPECT_EQ(log, (std::vector<std::string>{"kept"}));
    EXPECT_EQ(loop.timerCount(), 1u);
    loop.cancel(far);
    EXPECT_EQ(loop.timerCount(), 0u);
}

TEST_F(DesktopRunLoopTest, RepeatingTaskRunsUntilItCancelsItself) {
    int count = 0;
    platform::TimerId id = 0;
    id = loop.repeating(0.01, [&] {
        if (++count == 3) loop.cancel(id);
    });
    // Qt skips the ticks a busy machine misses, so wait for three rather than a fixed time.
    for (int turn = 0; turn < 200 && count < 3; ++turn) loop.runFor(0.01);
    loop.runFor(0.05);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(loop.timerCount(), 0u);
}

TEST_F(DesktopRunLoopTest, OneShotTaskMayCancelItselfWhileRunning) {
    platform::TimerId id = 0;
    id = loop.postAfter(0, [&] {
        loop.cancel(id);
        log.push_back("ran");
    });
    loop.runFor(0.02);
    EXPECT_EQ(log, (std::vector<std::string>{"ran"}));
}

TEST_F(DesktopRunLoopTest, NestedRunForPerformsDueWork) {
    loop.post([this] {
        log.push_back("outer start");
        loop.postAfter(0.01, note("inner"));
        loop.runFor(0.05);
        log.push_back("outer end");
    });
    loop.runFor(0.1);
    EXPECT_EQ(log, (std::vector<std::string>{"outer start", "inner", "outer end"}));
}

TEST_F(DesktopRunLoopTest, TasksFromOtherThreadsRunOnTheMainThreadInOrder) {
    constexpr int kTasks = 200;
    const auto mainThread = std::this_thread::get_id();
    std::vector<int> seen;
    std::atomic<bool> offMain{false};
    std::thread poster([&] {
        for (int i = 0; i < kTasks; ++i)
            loop.postFromAnyThread([&, i] {
                if (std::this_thread::get_id() != mainThread) offMain = true;
                seen.push_back(i);
            });
    });
    poster.join();
    for (int turn = 0; turn < 20 && seen.size() < kTasks; ++turn) loop.runFor(0.01);
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(kTasks));
    for (int i = 0; i < kTasks; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
    EXPECT_FALSE(offMain);
}

// Posters that wait for their tasks make the loop sleep and wake thousands of
// times, their posts racing its emptying of the queue. Nothing else wakes the
// loop: a lost wake-up leaves it asleep until the guard timer, far beyond
// what a loaded machine takes for all of them.
TEST_F(DesktopRunLoopTest, EveryTaskFromAnotherThreadWakesTheSleepingLoop) {
    constexpr int kPosters = 3, kRounds = 2000;
    std::atomic<int> ran{0};
    std::atomic<bool> over{false};
    int total = 0;
    for (int p = 0; p < kPosters; ++p)
        for (int round = 0; round < kRounds; ++round) total += 1 + (round + p) % 3;
    std::vector<std::thread> posters;
    for (int p = 0; p < kPosters; ++p)
        posters.emplace_back([&, p] {
            for (int round = 0; round < kRounds && !over.load(); ++round) {
                const int burst = 1 + (round + p) % 3;
                const int target = ran.load() + burst;
                for (int i = 0; i < burst; ++i)
                    loop.postFromAnyThread([&] {
                        // Qt's own dispatcher would wait on after the last one.
                        if (++ran == total) QAbstractEventDispatcher::instance()->interrupt();
                    });
                while (ran.load() < target && !over.load()) std::this_thread::yield();
            }
        });
    int guardFired = 0;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] { ++guardFired; });
    guard.start(30000);
    while (ran.load() < total && guardFired == 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    over = true;  // posters stuck on a lost wake-up give up
    for (auto& t : posters) t.join();
    EXPECT_EQ(ran.load(), total);
    EXPECT_EQ(guardFired, 0) << "a post did not wake the loop";
}

// Tasks that keep coming, some of them from another thread between two
// turns, leave Qt's own sources (timers, posted events such as D-Bus replies)
// their turns.
TEST_F(DesktopRunLoopTest, QtSourcesRunWhileTasksKeepComing) {
    bool keep = true, timed = false, delivered = false;
    std::function<void()> again = [&] {
        if (keep) loop.post(again);
    };
    loop.post(again);
    QTimer::singleShot(1, [&] { timed = true; });
    QMetaObject::invokeMethod(qApp, [&] { delivered = true; }, Qt::QueuedConnection);
    QElapsedTimer clock;
    clock.start();
    while (!(timed && delivered) && clock.elapsed() < 2000) {
        QCoreApplication::processEvents();
        loop.postFromAnyThread([] {});  // as a device thread's post landing between turns
    }
    EXPECT_TRUE(timed);
    EXPECT_TRUE(delivered);
    keep = false;
    loop.runFor(0.01);
}

TEST_F(DesktopRunLoopTest, DestroyedLoopDropsItsPendingTasks) {
    auto other = std::make_unique<DesktopRunLoop>();
    other->post(note("posted"));
    other->postAfter(0, note("timer"));
    other.reset();
    loop.runFor(0.02);
    EXPECT_TRUE(log.empty());
}

} // namespace
} // namespace corv::desktop
