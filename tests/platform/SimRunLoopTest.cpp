#include "platform/sim/SimRunLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace corv::sim {
namespace {

class SimRunLoopTest : public ::testing::Test {
protected:
    platform::Task note(std::string what) {
        return [this, what] { log.push_back(what); };
    }

    SimRunLoop loop;
    std::vector<std::string> log;
};

TEST_F(SimRunLoopTest, StepsThatAddUpToADelayReachIt) {
    loop.postAfter(1.0, note("one second"));
    for (int i = 0; i < 9; ++i) loop.advance(0.1);
    EXPECT_TRUE(log.empty());
    loop.advance(0.1);
    EXPECT_EQ(log, (std::vector<std::string>{"one second"}));
    EXPECT_EQ(loop.now(), 1.0);

    int ticks = 0;
    loop.repeating(0.1, [&] { ++ticks; });
    for (int i = 0; i < 30; ++i) loop.advance(0.01);
    EXPECT_EQ(ticks, 3);
}

TEST_F(SimRunLoopTest, DueTasksRunInTimeThenSchedulingOrder) {
    loop.postAfter(0.02, note("later"));
    loop.postAfter(0.01, note("soon 1"));
    const auto cancelled = loop.postAfter(0.01, note("cancelled"));
    loop.postAfter(0.01, note("soon 2"));
    loop.post([this] {
        log.push_back("now");
        loop.post(note("posted by now"));
    });
    loop.cancel(cancelled);
    loop.runPending();
    EXPECT_EQ(log, (std::vector<std::string>{"now", "posted by now"}));
    loop.advance(0.02);
    EXPECT_EQ(log, (std::vector<std::string>{"now", "posted by now", "soon 1", "soon 2", "later"}));
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST_F(SimRunLoopTest, NestedSpinAndTasksFromOtherThreads) {
    platform::TimerId timer = 0;
    int ticks = 0;
    timer = loop.repeating(0.005, [&] {
        if (++ticks == 2) loop.cancel(timer);
    });
    loop.post([this] {
        // Performs the due work re-entrantly, the task from the thread included.
        loop.runFor(0.015);
        log.push_back("spun");
    });
    std::thread([this] { loop.postFromAnyThread(note("from a thread")); }).join();
    loop.runPending();
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(log, (std::vector<std::string>{"from a thread", "spun"}));
    EXPECT_EQ(loop.now(), 0.015);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST_F(SimRunLoopTest, ZeroSpinIsOnePassOfWhatWasDueAtItsStart) {
    loop.post([this] {
        log.push_back("first");
        loop.post(note("posted by first"));
    });
    loop.post(note("second"));
    loop.postAfter(0.001, note("not due"));
    std::thread([this] { loop.postFromAnyThread(note("from a thread")); }).join();
    loop.runFor(0);
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "from a thread"}));
    loop.runFor(0);
    EXPECT_EQ(log, (std::vector<std::string>{"first", "second", "from a thread", "posted by first"}));
    EXPECT_EQ(loop.now(), 0);
    EXPECT_EQ(loop.pendingCount(), 1u);

    // A repeating timer runs once per pass.
    int ticks = 0;
    loop.repeating(0.001, [&] { ++ticks; });
    loop.advance(0.001);
    EXPECT_EQ(ticks, 1);
    loop.runFor(0);
    EXPECT_EQ(ticks, 1);
}

} // namespace
} // namespace corv::sim
