// A receiver's notices: devices arriving and leaving, the pairing window and
// passkeys, and reports that fail their checks.

#include "LogiFixture.h"
#include "logitech/HidppExecutor.h"
#include "logitech/HidppParser.h"
#include "logitech/InitQueue.h"
#include "logitech/PairingCountdown.h"
#include "model/LogiKeysOpt.h"

#include <gtest/gtest.h>

namespace corv::test {
namespace {

using sim::SimReceiverKind;

class ReceiverNoticesTest : public LogiTest {
protected:
    // A Unifying receiver, plugged in and initialised.
    std::unique_ptr<sim::SimReceiver> readyReceiver(std::function<void(sim::SimReceiver&)> setup = {}) {
        auto r = makeReceiver(SimReceiverKind::Unifying);
        r->flags = 0x09;
        if (setup) setup(*r);
        logitech::LogiHooks::shared().discoverHidppFeatures = [this](int k, std::function<void(int)> done) {
            initialised.push_back({k, now()});
            done(0);
        };
        logitech::startLogiDeviceMonitor();
        r->plugIn();
        advance(2.0);
        return r;
    }
    std::string passkey(std::size_t j = 0) { return dongle(j).passkeyStr.value_or("<none>"); }

    std::vector<std::pair<int, double>> initialised;
};

TEST_F(ReceiverNoticesTest, KeyboardInSlotOneIsTakenNamedAndQueuedTheMouseIsNot) {
    auto r = readyReceiver([this](sim::SimReceiver& rr) {
        pair(rr, 1, 1, "K780");
        pair(rr, 2, 2, "M720 Triathlon");
    });
    EXPECT_EQ(validKeyboards(), 1);
    EXPECT_EQ(keybNoUI(0).usbIndex, 2);
    EXPECT_EQ(keybNoUI(0).dev, r->device);
    EXPECT_EQ(keybUI(0).name.product, "K780");
    EXPECT_EQ(keybUI(0).name.vendor, "Logitech");
    EXPECT_EQ(dongle(0).pairedCount, 2);
    EXPECT_EQ(dongle(0).pairName[2], "M720 Triathlon");
    EXPECT_TRUE(dongle(0).connected[2]);
    // Initialised once, after the receiver, and linked to fresh stored options.
    ASSERT_EQ(initialised.size(), 1u);
    EXPECT_EQ(initialised[0].first, 0);
    ASSERT_EQ(LogiKeysOpt::shared().k().size(), 1u);
    EXPECT_EQ(LogiKeysOpt::shared().k()[0].name.product, "K780");
    EXPECT_EQ(keybUI(0).optIndex, 0);
    EXPECT_FALSE(logitech::initQueueBusy());
    // The notice came while the queue was busy with the receiver: its name
    // read was still queued, behind the request then in flight.
    EXPECT_EQ(hexAll(r->device->written), (std::vector<std::string>{
                                               "10 FF 81 00 00 00 00",
                                               "10 FF 80 02 02 00 00",
                                               "10 FF 83 B5 40 00 00",
                                               "10 FF 83 B5 41 00 00",  // the parser's
                                               "10 FF 83 B5 41 00 00",
                                               "10 FF 83 B5 42 00 00",
                                               "10 FF 83 B5 43 00 00",
                                               "10 FF 83 B5 44 00 00",
                                               "10 FF 83 B5 45 00 00",
                                               "10 FF 80 02 02 00 00",
                                           }));

    // A second connection notice of the known keyboard changes only its link.
    r->announce(1);
    advance(1.0);
    EXPECT_EQ(validKeyboards(), 1);
    EXPECT_EQ(initialised.size(), 1u);
    EXPECT_EQ(dongle(0).pairedCount, 2);
}

TEST_F(ReceiverNoticesTest, KeyboardConnectingLaterIsNamedThroughTheExecutor) {
    auto r = readyReceiver();
    pair(*r, 3, 1, "MX Keys");
    r->delay({0x83, 0xB5}, 0.05);
    r->announce(3);
    advance(0.0);
    // Listed at once, still unnamed, while its name is asked for.
    EXPECT_EQ(keybUI(0).name.product, "---");
    EXPECT_EQ(hex(r->device->written.back()), "10 FF 83 B5 43 00 00");
    advance(1.0);
    EXPECT_EQ(keybUI(0).name.product, "MX Keys");
    EXPECT_EQ(dongle(0).pairName[3], "MX Keys");
    ASSERT_EQ(initialised.size(), 1u);
}

TEST_F(ReceiverNoticesTest, LostLinkAndUnpairReleaseHeldKeysBeforeResetting) {
    auto r = readyReceiver([this](sim::SimReceiver& rr) {
        pair(rr, 0, 1, "K270");
        pair(rr, 1, 1, "K780");
    });
    ASSERT_EQ(validKeyboards(), 2);
    logitech::LogiKeybsNoUI::shared().k.modify([](auto& l) { l[1].keyState = {0x00E3}; });
    r->slots[1].connected = false;
    r->announce(1);
    advance(0.1);
    EXPECT_EQ(released, (std::vector<int>{1}));
    EXPECT_FALSE(keybNoUI(1).valid);
    EXPECT_TRUE(keybNoUI(1).keyState.empty());
    EXPECT_EQ(keybUI(1).name.product, "");
    EXPECT_FALSE(dongle(0).connected[1]);
    EXPECT_TRUE(dongle(0).paired[1]);

    r->unpair(0);
    advance(0.1);
    EXPECT_EQ(released, (std::vector<int>{1, 0}));
    EXPECT_EQ(validKeyboards(), 0);
    EXPECT_FALSE(dongle(0).paired[0]);
    EXPECT_EQ(dongle(0).pairName[0], "---");
    EXPECT_EQ(dongle(0).pairedCount, 1);
    // Notices for empty slots change no count.
    for (int slot : {0, 2, 3, 0, 5}) r->unpair(slot);
    advance(0.1);
    EXPECT_EQ(dongle(0).pairedCount, 1);
    r->unpair(1);
    r->unpair(1);
    advance(0.1);
    EXPECT_EQ(dongle(0).pairedCount, 0);
    r->slots[4] = {1, "K270", true};
    r->announce(4);
    r->announce(4);
    advance(0.1);
    EXPECT_EQ(dongle(0).pairedCount, 1);
}

TEST_F(ReceiverNoticesTest, PairingWindowCountsDownOnTheVirtualClock) {
    auto r = readyReceiver();
    EXPECT_EQ(dongle(0).pairing, -1);
    r->pairingLock(true);
    advance(0.0);
    EXPECT_EQ(dongle(0).pairing, 30);
    advance(1.0);
    EXPECT_EQ(dongle(0).pairing, 29);
    advance(29.0);
    EXPECT_EQ(dongle(0).pairing, 0);
    EXPECT_EQ(logitech::PairingTimer::shared().timer, 0u);
    advance(5.0);
    EXPECT_EQ(dongle(0).pairing, 0);

    r->pairingLock(true);
    advance(3.0);
    EXPECT_EQ(dongle(0).pairing, 27);
    r->pairingLock(false);
    advance(0.0);
    EXPECT_EQ(dongle(0).pairing, -1);
    EXPECT_EQ(logitech::PairingTimer::shared().timer, 0u);
    advance(5.0);
    EXPECT_EQ(dongle(0).pairing, -1);
}

TEST_F(ReceiverNoticesTest, PairingStatusStartsTheCountdownOnZeroAndStopsItOnAnythingElse) {
    auto r = readyReceiver();
    for (auto [status, pairing] : {std::pair{0x00, 30}, {0x01, -1}, {0x00, 30}, {0x02, -1}, {0xFF, -1}}) {
        r->send({0x10, 0xFF, 0x53, static_cast<std::uint8_t>(status), 0x00, 0x00, 0x00});
        advance(0.0);
        EXPECT_EQ(dongle(0).pairing, pairing) << status;
    }
}

TEST_F(ReceiverNoticesTest, PasskeysOfKeyboardAndMousePairingsAndTheCursor) {
    auto r = readyReceiver();
    r->passkey("123456");  // before any pairing information: nothing
    advance(0.0);
    EXPECT_EQ(passkey(), "<none>");

    r->pairingInfo(1);
    r->passkey("123456");
    advance(0.0);
    EXPECT_EQ(passkey(), "123456\u21A9");
    EXPECT_EQ(dongle(0).passkeyPos, 0);
    for (int i = 0; i < 10; ++i) r->passkeyKey(1);
    advance(0.0);
    EXPECT_EQ(dongle(0).passkeyPos, 7);  // six digits and the enter mark, no further
    r->passkeyKey(2);
    r->passkeyKey(3);
    advance(0.0);
    EXPECT_EQ(dongle(0).passkeyPos, 6);
    r->passkeyKey(0);
    r->passkeyKey(2);
    advance(0.0);
    EXPECT_EQ(dongle(0).passkeyPos, 0);
    r->passkeyKey(4);
    advance(0.0);
    EXPECT_EQ(dongle(0).passkeyPos, 7);

    r->pairingInfo(2);
    r->passkey("000517");  // 517 = 1000000101b
    advance(0.0);
    EXPECT_EQ(passkey(), "\u2192\u2190\u2190\u2190\u2190\u2190\u2190\u2192\u2190\u2192\u21A9");
    r->passkeyKey(4);
    advance(0.0);
    EXPECT_EQ(dongle(0).passkeyPos, 11);  // characters, not bytes

    r->pairingEnded();
    advance(0.0);
    EXPECT_EQ(passkey(), "<none>");
    EXPECT_EQ(dongle(0).passkeyPos, 0);

    // A digit, then the pairing ends: no passkey and no position left over.
    r->passkey("000517");
    r->passkeyKey(1);
    r->pairingEnded();
    advance(0.0);
    EXPECT_EQ(passkey(), "<none>");
    EXPECT_EQ(dongle(0).passkeyPos, 0);
}

TEST_F(ReceiverNoticesTest, ReportsFailingTheirChecksChangeNothingAndAnswerNothing) {
    auto r = readyReceiver();
    // A waiting request addressed to slot index 7 with the bytes of a notice.
    std::vector<logitech::HidppReply> replies;
    logitech::sendHidppShort(r->device, Bytes{0x10, 0x07, 0x41, 0x04, 0, 0, 0},
                             [&](const logitech::HidppReply& x) { replies.push_back(x); });
    r->send({0x10, 0x07, 0x41, 0x04, 0x01, 0x34, 0x12});
    r->send({0x10, 0x00, 0x40, 0x02, 0, 0, 0});
    r->send({0x10, 0xFF, 0x4A, 0x01, 0, 0});  // six bytes
    Bytes nineteen = longReport({0x11, 0xFF, 0x4F, 0, 0, 0, 0, 1});
    nineteen.resize(19);
    r->send(nineteen);
    r->send(longReport({0x11, 0xFF, 0x83, 0xB5, 0x46, 4, 'N', 'a', 'm', 'e'}));
    r->send(longReport({0x11, 0xFF, 0x83, 0xB5, 0x60, 1, 4, 'N', 'a', 'm', 'e'}));
    advance(3.0);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].outcome, logitech::HidppOutcome::TimedOut);
    // A passkey notice of length 0 or 17 is dropped.
    r->drop({0x4D});
    logitech::sendHidppLong(r->device, longReport({0x11, 0xFF, 0x4D, 17}),
                            [&](const logitech::HidppReply& x) { replies.push_back(x); });
    r->pairingInfo(1);
    r->send(longReport({0x11, 0xFF, 0x4D, 0, '1', '2'}));
    r->send(longReport({0x11, 0xFF, 0x4D, 17, '1', '2'}));
    advance(3.0);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1].outcome, logitech::HidppOutcome::TimedOut);
    EXPECT_EQ(dongle(0).pairing, -1);
    EXPECT_EQ(passkey(), "<none>");
    EXPECT_EQ(dongle(0).pairedCount, 0);
    for (const auto& n : dongle(0).pairName) EXPECT_EQ(n, "---");
    EXPECT_EQ(validKeyboards(), 0);
}

TEST_F(ReceiverNoticesTest, NoticesFromAnUnlistedReceiverChangeNothing) {
    auto listed = readyReceiver();
    auto stranger = makeReceiver(SimReceiverKind::Unifying);
    stranger->device->setInputReportHandler(&logitech::hidppReportCallback);
    stranger->device->open();
    pair(*stranger, 0, 1, "K780");
    stranger->announce(0);
    stranger->pairingLock(true);
    advance(1.0);
    EXPECT_EQ(validKeyboards(), 0);
    EXPECT_EQ(dongle(0).pairing, -1);
    EXPECT_EQ(dongle(0).pairedCount, 0);
}

} // namespace
} // namespace corv::test
