// The receiver's initialisation exchange, byte for byte, from plug-in on.

#include "LogiFixture.h"
#include "logitech/HidppParser.h"
#include "logitech/InitQueue.h"
#include "logitech/ReceiverRegisters.h"

#include <gtest/gtest.h>

namespace corv::test {
namespace {

using sim::SimReceiverKind;
using Lines = std::vector<std::string>;

class ReceiverExchangeTest : public LogiTest {
protected:
    // Plugs the receiver in and lets its initialisation run to the end.
    Lines exchangeOf(sim::SimReceiver& r) {
        logitech::startLogiDeviceMonitor();
        r.plugIn();
        advance(1.0);
        EXPECT_FALSE(logitech::initQueueBusy());
        return hexAll(r.device->written);
    }
};

TEST_F(ReceiverExchangeTest, UnifyingWithoutSoftwareFlagGetsTheFlagsWritten) {
    auto r = makeReceiver(SimReceiverKind::Unifying);
    r->flags = 0x01;
    EXPECT_EQ(exchangeOf(*r), (Lines{
                                  "10 FF 81 00 00 00 00",
                                  "10 FF 80 00 00 09 00",
                                  "10 FF 80 02 02 09 00",
                                  "10 FF 83 B5 40 09 00",
                                  "10 FF 83 B5 41 09 00",
                                  "10 FF 83 B5 42 09 00",
                                  "10 FF 83 B5 43 09 00",
                                  "10 FF 83 B5 44 09 00",
                                  "10 FF 83 B5 45 09 00",
                                  "10 FF 80 02 02 09 00",
                              }));
    EXPECT_EQ(r->flags, 0x09);
    EXPECT_TRUE(r->unknown.empty());
}

TEST_F(ReceiverExchangeTest, FlagsAlreadySetAreLeftAndZeroIsCarried) {
    auto r = makeReceiver(SimReceiverKind::Unifying);
    r->flags = 0x09;
    const Lines w = exchangeOf(*r);
    ASSERT_EQ(w.size(), 9u);
    EXPECT_EQ(w[0], "10 FF 81 00 00 00 00");
    EXPECT_EQ(w[1], "10 FF 80 02 02 00 00");
    EXPECT_EQ(w[2], "10 FF 83 B5 40 00 00");
    EXPECT_EQ(w[7], "10 FF 83 B5 45 00 00");
    EXPECT_EQ(w[8], "10 FF 80 02 02 00 00");
}

TEST_F(ReceiverExchangeTest, BoltReadsItsOwnNamePagesAndLightspeedReadsOne) {
    auto bolt = makeReceiver(SimReceiverKind::Bolt);
    bolt->flags = 0x09;
    EXPECT_EQ(exchangeOf(*bolt), (Lines{
                                     "10 FF 81 00 00 00 00",
                                     "10 FF 80 02 02 00 00",
                                     "10 FF 83 B5 61 01 00",
                                     "10 FF 83 B5 62 01 00",
                                     "10 FF 83 B5 63 01 00",
                                     "10 FF 83 B5 64 01 00",
                                     "10 FF 83 B5 65 01 00",
                                     "10 FF 83 B5 66 01 00",
                                     "10 FF 80 02 02 01 00",
                                 }));
    auto ls = makeReceiver(SimReceiverKind::Lightspeed);
    ls->flags = 0x09;
    ls->plugIn();
    advance(1.0);
    EXPECT_EQ(hexAll(ls->device->written), (Lines{
                                               "10 FF 81 00 00 00 00",
                                               "10 FF 80 02 02 00 00",
                                               "10 FF 83 B5 40 00 00",
                                               "10 FF 80 02 02 00 00",
                                           }));
    EXPECT_EQ(dongle(0).dongleType, logitech::DongleType::Bolt);
    EXPECT_EQ(dongle(1).dongleType, logitech::DongleType::Lightspeed);
}

TEST_F(ReceiverExchangeTest, ErrorOnTheFlagsReadMeansTheFlagsAreUnknownAndWritten) {
    auto r = makeReceiver(SimReceiverKind::Unifying);
    r->flags = 0x09;
    r->fail({0x81, 0x00}, 0x03, 1);
    const Lines w = exchangeOf(*r);
    ASSERT_GE(w.size(), 3u);
    EXPECT_EQ(w[1], "10 FF 80 00 00 09 00");
    EXPECT_EQ(w[2], "10 FF 80 02 02 09 00");
}

TEST_F(ReceiverExchangeTest, EachStepReportsItsOwnFailure) {
    std::vector<int> results;
    auto run = [&](sim::SimReceiver& r) {
        logitech::hidppExchange(r.device, logitech::DongleType::Unifying, [&](int c) { results.push_back(c); });
        advance(10.0);
    };
    auto a = makeReceiver(SimReceiverKind::Unifying);
    a->device->open();
    a->device->setInputReportHandler(&logitech::hidppReportCallback);
    a->drop({0x81});
    run(*a);
    auto b = makeReceiver(SimReceiverKind::Unifying);
    b->device->open();
    b->device->setInputReportHandler(&logitech::hidppReportCallback);
    b->drop({0x80, 0x00});
    run(*b);
    auto c = makeReceiver(SimReceiverKind::Unifying);
    c->flags = 0x09;
    c->device->open();
    c->device->setInputReportHandler(&logitech::hidppReportCallback);
    c->drop({0x80, 0x02});
    run(*c);
    // Not listed as a receiver: no name reads, but both announces.
    auto d = makeReceiver(SimReceiverKind::Unifying);
    d->flags = 0x09;
    d->device->open();
    d->device->setInputReportHandler(&logitech::hidppReportCallback);
    run(*d);
    EXPECT_EQ(results, (std::vector<int>{1, 2, 3, 0}));
    EXPECT_EQ(hexAll(d->device->written),
              (Lines{"10 FF 81 00 00 00 00", "10 FF 80 02 02 00 00", "10 FF 80 02 02 00 00"}));
}

TEST_F(ReceiverExchangeTest, NameReadFailureEndsTheExchangeButErrorAnswersDoNot) {
    auto r = makeReceiver(SimReceiverKind::Unifying);
    r->flags = 0x09;
    pair(*r, 0, 1, "K780");
    logitech::startLogiDeviceMonitor();
    r->plugIn();
    advance(0.0);
    std::vector<int> results;
    // Slots 1 to 5 are empty and answered with errors; the exchange goes on.
    logitech::hidppExchange(r->device, logitech::DongleType::Unifying, [&](int c) { results.push_back(c); });
    advance(1.0);
    r->drop({0x83, 0xB5, 0x42});
    logitech::hidppExchange(r->device, logitech::DongleType::Unifying, [&](int c) { results.push_back(c); });
    advance(20.0);
    EXPECT_EQ(results, (std::vector<int>{0, 4}));
}

TEST_F(ReceiverExchangeTest, PairedNameReadOnlyForAPairedSlotOfAListedReceiver) {
    auto r = makeReceiver(SimReceiverKind::Bolt);
    r->flags = 0x09;
    logitech::startLogiDeviceMonitor();
    r->plugIn();
    advance(1.0);
    const std::size_t before = r->device->written.size();
    logitech::readPairedDeviceName(0, 2);  // slot 2 is not paired
    logitech::readPairedDeviceName(4, 0);  // no such receiver
    logitech::readPairedDeviceName(0, 6);  // no such slot
    advance(0.1);
    EXPECT_EQ(r->device->written.size(), before);
    logitech::Dongles::shared().d.modify([](logitech::DongleList& l) { l[0].paired[2] = true; });
    logitech::readPairedDeviceName(0, 2);
    advance(0.1);
    ASSERT_EQ(r->device->written.size(), before + 1);
    EXPECT_EQ(hex(r->device->written.back()), "10 FF 83 B5 63 01 00");
}

} // namespace
} // namespace corv::test
