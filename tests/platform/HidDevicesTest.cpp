// Matching dictionaries and the simulated HID managers.

#include "platform/sim/SimHidDevices.h"
#include "platform/sim/SimRunLoop.h"

#include <gtest/gtest.h>

namespace corv::platform {
namespace {

TEST(HidDevices, MatchingNeedsEveryEntryAndOneUsagePairHoldingBothUsages) {
    sim::SimRunLoop loop;
    sim::SimHidDevices hid(loop);
    auto receiver = hid.makeDevice({{kHidVendorIdKey, std::int64_t{0x046D}}, {kHidTransportKey, std::string("USB")}},
                                   {{0x0001, 0x0006}, {0xFF00, 0x0001}});
    EXPECT_TRUE(hidDeviceMatches(*receiver, {}));
    EXPECT_TRUE(hidDeviceMatches(*receiver, {{kHidVendorIdKey, std::int64_t{0x046D}}}));
    EXPECT_FALSE(hidDeviceMatches(*receiver, {{kHidVendorIdKey, std::int64_t{0x05AC}}}));
    EXPECT_FALSE(hidDeviceMatches(*receiver, {{kHidProductIdKey, std::int64_t{0xC548}}}));  // absent
    EXPECT_FALSE(hidDeviceMatches(*receiver, {{kHidVendorIdKey, std::string("1133")}}));     // wrong type
    EXPECT_TRUE(hidDeviceMatches(*receiver, {{kHidTransportKey, std::string("USB")}}));
    EXPECT_TRUE(hidDeviceMatches(*receiver, {{kHidDeviceUsagePageKey, std::int64_t{0xFF00}},
                                             {kHidDeviceUsageKey, std::int64_t{1}}}));
    // Page of one pair, usage of the other: no match.
    EXPECT_FALSE(hidDeviceMatches(*receiver, {{kHidDeviceUsagePageKey, std::int64_t{0xFF00}},
                                              {kHidDeviceUsageKey, std::int64_t{6}}}));
    EXPECT_TRUE(hidDeviceMatches(*receiver, {{kHidDeviceUsageKey, std::int64_t{6}}}));
}

TEST(HidDevices, ManagersReportMatchingArrivalsAndRemovalsOnlyWhileOpen) {
    sim::SimRunLoop loop;
    sim::SimHidDevices hid(loop);
    auto logi = hid.makeDevice({{kHidVendorIdKey, std::int64_t{0x046D}}});
    auto other = hid.makeDevice({{kHidVendorIdKey, std::int64_t{0x05AC}}});
    hid.attach(logi);
    auto manager = hid.createManager();
    std::vector<std::string> seen;
    manager->setDeviceMatching({{{kHidVendorIdKey, std::int64_t{0x046D}}}});
    manager->setMatchedHandler([&](const HidDeviceRef& d) { seen.push_back(d == logi ? "+logi" : "+other"); });
    manager->setRemovedHandler([&](const HidDeviceRef& d) { seen.push_back(d == logi ? "-logi" : "-other"); });
    manager->open();
    EXPECT_TRUE(seen.empty());  // reported on the run loop, not inside open()
    loop.runPending();
    hid.attach(other);
    hid.detach(logi);
    loop.runPending();
    EXPECT_EQ(seen, (std::vector<std::string>{"+logi", "-logi"}));
    hid.attach(logi);
    manager->close();  // an arrival already announced is not delivered after close
    loop.runPending();
    EXPECT_EQ(seen.size(), 2u);
    manager.reset();
    hid.detach(logi);
    loop.runPending();
    EXPECT_EQ(hid.managersOpen(), 0);
}

TEST(HidDevices, InputReportsReachOnlyAnOpenDeviceWithItsSender) {
    sim::SimRunLoop loop;
    sim::SimHidDevices hid(loop);
    auto dev = hid.makeDevice({});
    std::vector<std::size_t> lengths;
    dev->setInputReportHandler([&](const HidDeviceRef& sender, std::uint32_t id, const std::uint8_t*, std::size_t n) {
        EXPECT_EQ(sender, dev);
        EXPECT_EQ(id, 0x10u);
        lengths.push_back(n);
    });
    dev->sendInput({0x10, 1, 2, 3, 4, 5, 6});
    loop.runPending();
    EXPECT_TRUE(lengths.empty());
    dev->open();
    dev->sendInput({0x10, 1, 2, 3, 4, 5, 6}, 0.5);
    loop.advance(0.4);
    EXPECT_TRUE(lengths.empty());
    loop.advance(0.1);
    EXPECT_EQ(lengths, (std::vector<std::size_t>{7}));
}

} // namespace
} // namespace corv::platform
