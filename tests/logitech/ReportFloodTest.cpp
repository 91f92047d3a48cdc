// Floods of valid-looking reports and answers nobody asked for: queues stay
// bounded, stored options and lists do not grow.

#include "KeyboardWorld.h"
#include "LogiFixture.h"
#include "logitech/BacklightRequests.h"
#include "logitech/InitQueue.h"
#include "logitech/ReceiverRegisters.h"

namespace corv::logitech::test {
namespace {

using corv::test::hex;
using corv::test::LogiTest;

class ReceiverFloodTest : public LogiTest {
protected:
    ReceiverFloodTest() {
        LogiHooks::shared().discoverHidppFeatures = [](int, std::function<void(int)> done) { done(0); };
    }
    static Bytes connection(int slot, bool linkLost) {
        return {0x10, static_cast<std::uint8_t>(slot + 1), 0x41, 0x04,
                static_cast<std::uint8_t>(0x01 | (linkLost ? 0x40 : 0)), 0x34, 0x12};
    }
    static Bytes nameAnswer(int slot, const std::string& name) {
        Bytes a = corv::test::longReport({0x11, 0xFF, 0x83, 0xB5, static_cast<std::uint8_t>(0x40 + slot),
                                          static_cast<std::uint8_t>(name.size())});
        std::copy(name.begin(), name.end(), a.begin() + 6);
        return a;
    }
};

TEST_F(ReceiverFloodTest, ConnectionNoticesKeepOneNameReadPerSlotAndTheReceiverInitWaitsOneTimeOut) {
    auto r = makeReceiver(sim::SimReceiverKind::Unifying);
    r->flags = 0x09;
    r->drop({0x83, 0xB5});  // name reads go unanswered: each waits out its 3 s
    pair(*r, 1, 1, "K780");
    startLogiDeviceMonitor();
    r->plugIn();
    advance(0.0);
    ASSERT_TRUE(dongle(0).valid);
    // Before the receiver's initialisation goes out, 10,000 notices: the
    // keyboard connects, loses its link, connects...
    for (int n = 0; n < 10000; ++n) r->send(connection(1, n % 2 == 1));
    advance(0.0);
    EXPECT_EQ(pendingNameReads(r->device.get()), 1u);
    EXPECT_EQ(HidppExecutor::shared().pending(r->device.get()), 1u);
    const Bytes init{0x10, 0xFF, 0x81, 0x00, 0x00, 0x00, 0x00};
    double sentAt = -1;
    for (int n = 0; n < 200 && sentAt < 0; ++n) {
        advance(0.05);
        for (const auto& w : r->device->written)
            if (w == init) sentAt = now();
    }
    // Behind the one pending name read: within one time-out.
    EXPECT_GT(sentAt, 0);
    EXPECT_LE(sentAt, kHidppTimeout + kInitAttemptDelay + 0.1);
    EXPECT_LE(pendingNameReads(r->device.get()), 1u);
}

TEST_F(ReceiverFloodTest, RenamesNeverAddStoredOptions) {
    struct Case {
        const char* name;
        bool requested;  // answers to name reads, or unrequested answers
        const char* finalName;
    };
    for (const Case c : {Case{"unrequested", false, "K780"}, Case{"requested", true, "R600"}}) {
        SCOPED_TRACE(c.name);
        resetShared();
        LogiHooks::shared().discoverHidppFeatures = [](int, std::function<void(int)> done) { done(0); };
        auto r = makeReceiver(sim::SimReceiverKind::Unifying);
        r->flags = 0x09;
        pair(*r, 1, 1, "K780");
        startLogiDeviceMonitor();
        r->plugIn();
        advance(2.0);
        ASSERT_EQ(LogiKeysOpt::shared().k().size(), 1u);
        for (int n = 1; n <= 600; ++n) {
            const std::string name = std::string("R").append(std::to_string(n));
            if (c.requested) {
                r->slots[1].name = name;
                readPairedDeviceName(0, 1);
            } else {
                r->send(nameAnswer(1, name));
            }
            advance(0.5);
        }
        EXPECT_EQ(keybUI(0).name.product, c.finalName);
        ASSERT_EQ(LogiKeysOpt::shared().k().size(), 1u);
        EXPECT_EQ(LogiKeysOpt::shared().k()[0].name.product, c.finalName);
        EXPECT_EQ(keybUI(0).optIndex, 0);
        stopLogiDeviceMonitor();
        r->unplug();
    }
}

constexpr std::uint8_t kLight = 0x04, kControls = 0x05, kPlatforms = 0x06;

class KeyboardFloodTest : public KeyboardWorld {
protected:
    KeyboardFloodTest() {
        btKeyb.addFeatures({{SimKeyboard::kBacklight, kLight},
                            {SimKeyboard::kControls, kControls},
                            {SimKeyboard::kPlatforms, kPlatforms}});
        btKeyb.controls = {{0x00E3, 0x30, 0}, {0x00E4, 0x30, 0}};
        btKeyb.platforms = {{0, 0x20}, {1, 0x01}};
        recordBoth();
    }
};

TEST_F(KeyboardFloodTest, BacklightEchoesAndReadsKeepAtMostTwoReadsPending) {
    ASSERT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    settle();
    btKeyb.refuse(SimKeyboard::kBacklight, 0, SimKeyboard::Refusal::Drop);
    btKeyb.refuse(SimKeyboard::kBacklight, 2, SimKeyboard::Refusal::Drop);
    for (int n = 0; n < 1000; ++n) {
        // An unrequested "set" answer, then a read the program asks for.
        btKeyb.emit(longReport(0xFF, kLight, static_cast<std::uint8_t>(0x10 | (1 + n % 15)), {0x01}));
        hidppReadBacklight(kBtKeyboard);
        sim->runLoop.advance(0.0);
        ASSERT_LE(HidppExecutor::shared().pending(btDev.get()), 2u) << n;
    }
    settle();
    EXPECT_EQ(HidppExecutor::shared().pending(btDev.get()), 0u);
    hidppReadBacklight(kBtKeyboard);  // reads go out again once the pending ones ended
    EXPECT_EQ(HidppExecutor::shared().pending(btDev.get()), 2u);
}

TEST_F(KeyboardFloodTest, UnrequestedAnswersChangeNothing) {
    ASSERT_EQ(kDiscoveryOk, discover(kBtKeyboard));
    settle();
    const LogiKeyOpt before = opt(kBtKeyboard);
    const LogiKeybNoUI noUiBefore = noUi(kBtKeyboard);
    ASSERT_EQ(before.id1b04List.size(), 2u);
    ASSERT_EQ(before.platformList.size(), 2u);
    const std::size_t requests = btKeyb.received.size();
    for (int n = 0; n < 2000; ++n) {
        const auto id = static_cast<std::uint8_t>(1 + n % 15);
        const auto b = static_cast<std::uint8_t>(n);
        btKeyb.emit(longReport(0xFF, kControls, static_cast<std::uint8_t>(0x10 | id), {0x01, b, 0, 0, 0x30}));
        btKeyb.emit(longReport(0xFF, kPlatforms, static_cast<std::uint8_t>(0x10 | id), {b, b, 0x20}));
        btKeyb.emit(longReport(0xFF, kPlatforms, id, {0x02, 0, 0, 9, 0, 7, 9}));
        btKeyb.emit(longReport(0xFF, 0x00, id, {b}));
        btKeyb.emit(longReport(0xFF, kLight, id, {0x01, 0, 0, 0, 0xFF}));
    }
    settle();
    const LogiKeyOpt& after = opt(kBtKeyboard);
    EXPECT_EQ(after.id1b04List, before.id1b04List);
    EXPECT_EQ(after.platformList.size(), before.platformList.size());
    EXPECT_EQ(after.featureMap, before.featureMap);
    EXPECT_EQ(after.backLight, before.backLight);
    EXPECT_EQ(noUi(kBtKeyboard).platformCount, noUiBefore.platformCount);
    EXPECT_EQ(btKeyb.received.size(), requests);  // and provoked no request
    EXPECT_EQ(LogiKeysOpt::shared().k().size(), 2u);
}

TEST_F(KeyboardFloodTest, ARequestBeyondTheDeviceQueueIsNotSent) {
    btKeyb.refuse(SimKeyboard::kBacklight, 0, SimKeyboard::Refusal::Drop);
    std::vector<HidppOutcome> outcomes;
    for (std::size_t n = 0; n <= kHidppQueueLimit; ++n)
        sendHidppLongDirect(btDev, longReport(0xFF, kLight, 0x01),
                            [&](const HidppReply& r) { outcomes.push_back(r.outcome); });
    sim->runLoop.advance(0.0);
    ASSERT_EQ(outcomes, std::vector<HidppOutcome>{HidppOutcome::NotSent});
    EXPECT_EQ(HidppExecutor::shared().pending(btDev.get()), kHidppQueueLimit);
}

} // namespace
} // namespace corv::logitech::test
