// The initialisation queue: timing, retries, order, stored options and
// cancel-all, on the virtual clock.

#include "LogiFixture.h"
#include "logitech/InitQueue.h"
#include "model/LogiKeysOpt.h"

#include <gtest/gtest.h>

namespace corv::test {
namespace {

using logitech::initQueueBusy;
using logitech::initQueueCancelAll;
using logitech::initQueueEnqueue;

class InitQueueTest : public LogiTest {
protected:
    InitQueueTest() {
        logitech::LogiHooks::shared().discoverHidppFeatures = [this](int k, std::function<void(int)> done) {
            attempts.push_back({k, now()});
            if (holdAnswers) {
                held.push_back(std::move(done));
                return;
            }
            int result = 0;
            if (!results.empty()) {
                result = results.front();
                results.erase(results.begin());
            }
            done(result);
        };
    }

    // A keyboard reached directly, listed in entry k.
    void listKeyboard(std::size_t k, const std::string& product) {
        auto dev = sim->hidDevices.makeDevice({{platform::kHidTransportKey, std::string("Bluetooth")}});
        devices.push_back(dev);
        logitech::LogiKeybsNoUI::shared().k.modify([&](auto& l) {
            l[k].valid = true;
            l[k].dev = dev;
        });
        logitech::LogiKeybsUI::shared().k.modify([&](auto& l) {
            l[k].valid = true;
            l[k].name = DeviceName{product, "Logitech"};
        });
    }
    std::vector<int> attemptedKeyboards() const {
        std::vector<int> out;
        for (const auto& a : attempts) out.push_back(a.first);
        return out;
    }

    std::vector<std::pair<int, double>> attempts;
    std::vector<int> results;  // results of the next attempts; 0 when empty
    bool holdAnswers = false;
    std::vector<std::function<void(int)>> held;
    std::vector<std::shared_ptr<sim::SimHidDevice>> devices;
};

TEST_F(InitQueueTest, SilentReceiverGetsFiveAttemptsAndIsDroppedWhileTheMainLoopRunsOnTime) {
    auto r = makeReceiver(sim::SimReceiverKind::Unifying);
    r->drop({});
    std::vector<double> ticks;
    sim->runLoop.repeating(0.01, [&] { ticks.push_back(now()); });
    logitech::startLogiDeviceMonitor();
    r->plugIn();
    advance(60.0);
    // Each attempt starts 0.2 s after it is chosen; a failure (3.0 s without
    // an answer) is retried 0.2 s later.
    ASSERT_EQ(r->device->writeTimes.size(), 5u);
    const double expected[] = {0.2, 3.6, 7.0, 10.4, 13.8};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_NEAR(r->device->writeTimes[i], expected[i], 1e-9);
        EXPECT_EQ(hex(r->device->written[i]), "10 FF 81 00 00 00 00");
    }
    EXPECT_FALSE(initQueueBusy());
    EXPECT_TRUE(dongle(0).valid);  // still listed, just not initialised
    ASSERT_EQ(ticks.size(), 6000u);
    EXPECT_NEAR(ticks[1499], 15.0, 1e-9);
    EXPECT_NEAR(ticks.back(), 60.0, 1e-9);
}

TEST_F(InitQueueTest, FewestFailuresGoFirstAndLowerSlotsBreakTies) {
    listKeyboard(0, "K780");
    listKeyboard(1, "MX Keys");
    results = {1, 0, 0};
    initQueueEnqueue(0, false);
    initQueueEnqueue(1, false);  // written while the queue is busy
    advance(5.0);
    EXPECT_EQ(attemptedKeyboards(), (std::vector<int>{0, 1, 0}));
    EXPECT_NEAR(attempts[0].second, 0.2, 1e-9);
    EXPECT_NEAR(attempts[1].second, 0.6, 1e-9);  // the retry waits behind a fresh slot
    EXPECT_NEAR(attempts[2].second, 0.8, 1e-9);
    EXPECT_FALSE(initQueueBusy());
}

TEST_F(InitQueueTest, SixteenSlotsAndTheSeventeenthIsDropped) {
    listKeyboard(0, "K780");
    for (int i = 0; i < 17; ++i) initQueueEnqueue(0, false);
    initQueueEnqueue(4, false);  // no such keyboard entry
    initQueueEnqueue(-1, true);
    advance(10.0);
    EXPECT_EQ(attempts.size(), 16u);
    EXPECT_FALSE(initQueueBusy());
}

TEST_F(InitQueueTest, KeyboardsAreLinkedToStoredOptionsByNameAddingThemOnce) {
    listKeyboard(0, "K780");
    listKeyboard(1, "K780");
    listKeyboard(2, "MX Keys");
    results = {1};
    initQueueEnqueue(0, false);
    initQueueEnqueue(1, false);
    initQueueEnqueue(2, false);
    advance(5.0);
    ASSERT_EQ(LogiKeysOpt::shared().k().size(), 2u);
    const LogiKeyOpt& first = LogiKeysOpt::shared().k()[0];
    EXPECT_EQ(first.name.product, "K780");
    EXPECT_EQ(first.rpRateList, 8u);
    EXPECT_EQ(first.rpRate, 8u);
    EXPECT_TRUE(first.featureMap.empty());
    EXPECT_FALSE(first.featureCompleted);
    EXPECT_EQ(keybUI(0).optIndex, 0);
    EXPECT_EQ(keybUI(1).optIndex, 0);
    EXPECT_EQ(keybUI(2).optIndex, 1);
    EXPECT_EQ(keybUI(0).battery, -1);
}

TEST_F(InitQueueTest, DevicesGoneBeforeTheirTurnCompleteWithoutARequest) {
    auto r = makeReceiver(sim::SimReceiverKind::Bolt);
    listKeyboard(0, "K780");
    holdAnswers = true;
    initQueueEnqueue(0, false);
    logitech::startLogiDeviceMonitor();
    r->plugIn();
    advance(0.5);
    ASSERT_EQ(held.size(), 1u);
    r->unplug();
    advance(0.0);
    held[0](0);
    advance(5.0);
    EXPECT_TRUE(r->device->written.empty());
    EXPECT_FALSE(initQueueBusy());
}

TEST_F(InitQueueTest, LateFinishAfterCancelAllDoesNotTouchTheNewAttempt) {
    listKeyboard(0, "K780");
    listKeyboard(1, "MX Keys");
    holdAnswers = true;
    initQueueEnqueue(0, false);
    advance(0.3);
    ASSERT_EQ(held.size(), 1u);
    initQueueCancelAll();
    EXPECT_FALSE(initQueueBusy());
    initQueueEnqueue(1, false);
    advance(0.3);
    ASSERT_EQ(held.size(), 2u);
    held[0](1);  // the cancelled attempt fails late: no retry comes of it
    held[0] = nullptr;
    advance(1.0);
    EXPECT_EQ(attemptedKeyboards(), (std::vector<int>{0, 1}));
    EXPECT_TRUE(initQueueBusy());
    held[1](0);
    advance(1.0);
    EXPECT_FALSE(initQueueBusy());
    EXPECT_EQ(attempts.size(), 2u);
}

TEST_F(InitQueueTest, CancelAllDuringAReceiverExchangeStopsItAndTheQueueStillWorks) {
    auto r = makeReceiver(sim::SimReceiverKind::Unifying);
    r->flags = 0x09;
    r->delay({0x81}, 1.0, 1);
    logitech::startLogiDeviceMonitor();
    r->plugIn();
    advance(0.5);
    ASSERT_EQ(r->device->written.size(), 1u);
    initQueueCancelAll();
    advance(5.0);
    EXPECT_EQ(r->device->written.size(), 1u);  // the answer came, nothing followed
    EXPECT_FALSE(initQueueBusy());
    const double queued = now();
    initQueueEnqueue(0, true);
    advance(2.0);
    ASSERT_EQ(r->device->written.size(), 10u);
    EXPECT_NEAR(r->device->writeTimes[1], queued + 0.2, 1e-9);
    EXPECT_FALSE(initQueueBusy());
}

} // namespace
} // namespace corv::test
