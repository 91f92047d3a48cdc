#include "platform/desktop/x11/DesktopDisplayLinks.h"

#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace corv::desktop {
namespace {

std::mutex framesMutex;
std::vector<std::uint64_t> frames;
DesktopDisplayLinks* releasing = nullptr;
std::atomic<int> releasedCalls{0};

std::int32_t record(platform::DisplayLinkRef, std::uint64_t hostTime) {
    std::lock_guard lock(framesMutex);
    frames.push_back(hostTime);
    return 0;
}

// Records, and makes the second frame end nearly two periods (of 10 ms) late.
std::int32_t recordOneLate(platform::DisplayLinkRef link, std::uint64_t hostTime) {
    record(link, hostTime);
    if (std::lock_guard lock(framesMutex); frames.size() == 2)
        std::this_thread::sleep_for(std::chrono::microseconds(19'500));
    return 0;
}

// Lets go of its own link from inside the frame.
std::int32_t releaseSelf(platform::DisplayLinkRef link, std::uint64_t) {
    ++releasedCalls;
    releasing->release(link);
    return 0;
}

// Once `n` frames have come in all; false after 5 s.
bool framesCame(std::size_t n) {
    return QTest::qWaitFor([n] { std::lock_guard lock(framesMutex); return frames.size() >= n; }, 5000);
}

std::uint64_t steadyNow() {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

// Frames come at the link's rate, stamped on the monotonic clock, and stop
// with the link.
TEST(DesktopDisplayLinks, PacesAtTheRateOnTheMonotonicClock) {
    DesktopDisplayLinks links;
    links.setRateForTests(100);
    const auto link = links.createWithActiveDisplays();
    ASSERT_NE(link, 0u);
    EXPECT_EQ(links.nominalOutputRefreshPeriod(link).timeValue, 10000);
    EXPECT_EQ(links.nominalOutputRefreshPeriod(link).timeScale, 1000000);
    links.setOutputCallback(link, &record);
    EXPECT_FALSE(links.isRunning(link));
    const std::uint64_t before = steadyNow();
    links.start(link);
    ASSERT_TRUE(framesCame(20));
    links.stop(link);
    const std::uint64_t after = steadyNow();
    std::vector<std::uint64_t> seen;
    {
        std::lock_guard lock(framesMutex);
        seen.swap(frames);
    }
    // No more than the time allows at 100 Hz.
    EXPECT_LE(seen.size(), (after - before) / 10'000'000 + 2);
    ASSERT_FALSE(seen.empty());
    EXPECT_GE(seen.front(), before);
    EXPECT_LE(seen.back(), after);
    // On the period's beat: no burst after a late frame.
    const double mean = static_cast<double>(seen.back() - seen.front()) / static_cast<double>(seen.size() - 1);
    EXPECT_GT(mean, 9.5e6);
    EXPECT_LT(mean, 50e6);
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GE(seen[i] - seen[i - 1], 1'000'000u) << i;
    // Only time shows that no frame comes after the stop.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::lock_guard lock(framesMutex);
    EXPECT_TRUE(frames.empty());
}

// The frame after a late one keeps to the beat and comes no sooner than
// half a period after it.
TEST(DesktopDisplayLinks, AFrameAfterALateOneIsNoBurst) {
    DesktopDisplayLinks links;
    links.setRateForTests(100);
    const auto link = links.createWithActiveDisplays();
    links.setOutputCallback(link, &recordOneLate);
    links.start(link);
    ASSERT_TRUE(framesCame(4));
    links.stop(link);
    std::vector<std::uint64_t> seen;
    {
        std::lock_guard lock(framesMutex);
        seen.swap(frames);
    }
    // The second frame ends late. Only the two frames after it are judged:
    // elsewhere a loaded machine may delay a frame on its own.
    for (std::size_t i = 2; i <= 3; ++i) EXPECT_GE(seen[i] - seen[i - 1], 5'000'000u) << i;
}

// A link let go of from its own frame ends after that frame; others are
// released while running, and the object's end takes the rest.
TEST(DesktopDisplayLinks, ReleaseFromAnyThreadIsSafe) {
    auto links = std::make_unique<DesktopDisplayLinks>();
    releasing = links.get();
    links->setRateForTests(200);
    const auto self = links->createWithActiveDisplays();
    links->setOutputCallback(self, &releaseSelf);
    links->start(self);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (links->isRunning(self) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(links->isRunning(self));
    // Only time shows that no second frame comes.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(releasedCalls.load(), 1);

    const auto running = links->createWithActiveDisplays();
    links->setOutputCallback(running, &record);
    links->start(running);
    ASSERT_TRUE(framesCame(1));
    links->release(running);
    EXPECT_FALSE(links->isRunning(running));
    const auto left = links->createWithActiveDisplays();
    links->setOutputCallback(left, &record);
    links->start(left);
    links.reset();
    std::lock_guard lock(framesMutex);
    frames.clear();
}

} // namespace
} // namespace corv::desktop
