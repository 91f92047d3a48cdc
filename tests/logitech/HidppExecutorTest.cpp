// The request executor: ordering per device, matching on the sender, and the
// three outcomes.

#include "LogiFixture.h"
#include "logitech/HidppExecutor.h"
#include "logitech/HidppParser.h"

#include <gtest/gtest.h>

namespace corv::test {
namespace {

using logitech::HidppOutcome;
using logitech::HidppReply;

class HidppExecutorTest : public LogiTest {
protected:
    // A scripted device whose reports reach the discovery parser.
    std::shared_ptr<sim::SimHidDevice> scriptedDevice() {
        auto d = sim->hidDevices.makeDevice({{platform::kHidTransportKey, std::string("USB")}});
        d->setInputReportHandler(&logitech::hidppReportCallback);
        d->open();
        return d;
    }
    logitech::HidppDone record(std::vector<HidppReply>& into) {
        return [this, &into](const HidppReply& r) {
            into.push_back(r);
            times.push_back(now());
        };
    }
    std::vector<double> times;
};

const Bytes kReadFlags{0x10, 0xFF, 0x81, 0x00, 0x00, 0x00, 0x00};
const Bytes kFlagsAnswer{0x10, 0xFF, 0x81, 0x00, 0x00, 0x09, 0x00};

TEST_F(HidppExecutorTest, DroppedReplyTimesOutAtExactlyThreeSecondsWithoutBlockingTheMainLoop) {
    auto dev = scriptedDevice();
    dev->expect(kReadFlags);  // never answered
    std::vector<double> ticks;
    auto timer = sim->runLoop.repeating(0.01, [&] { ticks.push_back(now()); });
    std::vector<HidppReply> replies;
    logitech::sendHidppShort(dev, kReadFlags, record(replies));

    advance(2.999);
    EXPECT_TRUE(replies.empty());
    advance(0.001);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].outcome, HidppOutcome::TimedOut);
    EXPECT_DOUBLE_EQ(times[0], 3.0);
    // The 10 ms timer never missed a beat while the request waited.
    ASSERT_EQ(ticks.size(), 300u);
    for (std::size_t i = 0; i < ticks.size(); ++i) EXPECT_NEAR(ticks[i], 0.01 * static_cast<double>(i + 1), 1e-9);
    sim->runLoop.cancel(timer);
    EXPECT_TRUE(dev->unexpected.empty());
}

TEST_F(HidppExecutorTest, RequestsToOneDeviceGoOutOneAtATimeInOrder) {
    auto dev = scriptedDevice();
    const Bytes second{0x10, 0xFF, 0x81, 0x02, 0x00, 0x00, 0x00};
    dev->expect(kReadFlags, {kFlagsAnswer}, 0.5);
    dev->expect(second, {{0x10, 0xFF, 0x81, 0x02, 0x00, 0x01, 0x00}});
    std::vector<HidppReply> replies;
    logitech::sendHidppShort(dev, kReadFlags, record(replies));
    logitech::sendHidppShort(dev, second, record(replies));
    EXPECT_EQ(dev->written.size(), 1u);  // the second waits for the first
    advance(0.5);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(hex(replies[0].report), hex(kFlagsAnswer));
    EXPECT_EQ(replies[1].report[5], 0x01);
    EXPECT_EQ(hexAll(dev->written), (std::vector<std::string>{hex(kReadFlags), hex(second)}));
    EXPECT_TRUE(dev->scriptFinished());
    EXPECT_TRUE(dev->unexpected.empty());
}

TEST_F(HidppExecutorTest, AnswerFromAnotherReceiverNeverCompletesARequest) {
    auto a = scriptedDevice();
    auto b = scriptedDevice();
    a->expect(kReadFlags, {kFlagsAnswer});
    b->expect(kReadFlags);  // B stays silent
    std::vector<HidppReply> fromA, fromB;
    logitech::sendHidppShort(a, kReadFlags, record(fromA));
    logitech::sendHidppShort(b, kReadFlags, record(fromB));
    advance(0.1);
    ASSERT_EQ(fromA.size(), 1u);
    EXPECT_TRUE(fromA[0].ok());
    EXPECT_TRUE(fromB.empty());
    // A late, unsolicited copy from A still does not count for B.
    a->sendInput(kFlagsAnswer);
    advance(2.9);
    ASSERT_EQ(fromB.size(), 1u);
    EXPECT_EQ(fromB[0].outcome, HidppOutcome::TimedOut);
}

TEST_F(HidppExecutorTest, ErrorAnswersAreErrorsAndCarryNoOldData) {
    auto dev = scriptedDevice();
    dev->expect(kReadFlags, {kFlagsAnswer});
    dev->expect(kReadFlags, {{0x10, 0xFF, 0x8F, 0x81, 0x00, 0x03, 0x00}});
    std::vector<HidppReply> replies;
    logitech::sendHidppShort(dev, kReadFlags, record(replies));
    advance(0.01);
    logitech::sendHidppShort(dev, kReadFlags, record(replies));
    advance(0.01);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_TRUE(replies[0].ok());
    EXPECT_EQ(replies[1].outcome, HidppOutcome::ErrorAnswer);
    EXPECT_TRUE(replies[1].answered());
    EXPECT_EQ(replies[1].errorCode(), 0x03);
    EXPECT_EQ(replies[1].report[5], 0x03);  // the error report itself, not the earlier flags
}

TEST_F(HidppExecutorTest, RefusedOrImpossibleRequestsAreNotSentAndDoNotStallTheQueue) {
    auto dev = scriptedDevice();
    std::vector<HidppReply> replies;
    dev->refuseWrites = true;
    logitech::sendHidppShort(dev, kReadFlags, record(replies));
    logitech::sendHidppShort(nullptr, kReadFlags, record(replies));
    logitech::sendHidppLong(dev, kReadFlags, record(replies));  // 7 bytes cannot fill a long report
    EXPECT_TRUE(replies.empty());                               // never inside the call
    advance(0);
    ASSERT_EQ(replies.size(), 3u);
    for (const auto& r : replies) EXPECT_EQ(r.outcome, HidppOutcome::NotSent);
    // Taken, then refused by the device: failed at once, not at the time-out.
    dev->refuseWrites = false;
    dev->refuseWritesLater = true;
    logitech::sendHidppShort(dev, kReadFlags, record(replies));
    logitech::sendHidppShort(dev, kReadFlags, record(replies));
    advance(0);
    ASSERT_EQ(replies.size(), 5u);
    for (std::size_t i = 3; i < 5; ++i) {
        EXPECT_EQ(replies[i].outcome, HidppOutcome::NotSent);
        EXPECT_EQ(times[i], 0.0);
    }
    dev->refuseWritesLater = false;
    dev->expect(kReadFlags, {kFlagsAnswer});
    logitech::sendHidppShort(dev, kReadFlags, record(replies));
    advance(0.01);
    ASSERT_EQ(replies.size(), 6u);
    EXPECT_TRUE(replies[5].ok());
}

TEST_F(HidppExecutorTest, DirectKeyboardAnswersOnlyReachDirectRequests) {
    auto kb = sim->hidDevices.makeDevice({{platform::kHidTransportKey, std::string("Bluetooth")}});
    kb->setInputReportHandler(&logitech::hidppReportKeyboardCallback);
    kb->open();
    const Bytes request = longReport({0x11, 0xFF, 0x00, 0x1A, 0x1B, 0x04});
    const Bytes answer = longReport({0x11, 0xFF, 0x00, 0x1A, 0x05});
    kb->expect(request, {answer});
    kb->expect(request, {answer});
    std::vector<HidppReply> direct, viaReceiverPath;
    logitech::sendHidppLong(kb, request, record(viaReceiverPath));
    advance(3.0);
    logitech::sendHidppLongDirect(kb, request, record(direct));
    advance(0.01);
    ASSERT_EQ(viaReceiverPath.size(), 1u);
    EXPECT_EQ(viaReceiverPath[0].outcome, HidppOutcome::TimedOut);
    ASSERT_EQ(direct.size(), 1u);
    EXPECT_TRUE(direct[0].ok());
    EXPECT_EQ(direct[0].report[4], 0x05);
}

} // namespace
} // namespace corv::test
