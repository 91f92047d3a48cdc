#include "EngineFixture.h"
#include "HidServiceData.h"

#include "engine/MultitouchDevices.h"
#include "engine/TrackpadServices.h"
#include "model/Options.h"

#include <cmath>
#include <limits>

namespace corv::test {
namespace {

using engine::kScrollAccelerationKey;

class TrackpadServicesTest : public EngineTest {
protected:
    void expectWrite(platform::HidService service, std::int64_t value, bool onMainThread = true) {
        ASSERT_FALSE(sim->hidServices.writes.empty());
        auto w = sim->hidServices.takeWrite();
        EXPECT_EQ(w.service, service);
        EXPECT_EQ(w.key, kScrollAccelerationKey);
        EXPECT_EQ(w.value, HidProperty(value));
        EXPECT_EQ(w.onMainThread, onMainThread);
    }
    bool nothingWritten() const { return sim->hidServices.writes.empty(); }
    // The speed control moved to s.
    void slideTo(double s) {
        Options::shared().sclAcc.set(s);
        engine::setScrollFriction();
    }
};

TEST_F(TrackpadServicesTest, AccelerationFollowsTheSpeedOnTrackpadsThatHaveIt) {
    const auto magic = sim->hidServices.addService(kMagicTrackpadService);
    const auto builtIn = sim->hidServices.addService(kBuiltInTrackpadService);
    sim->hidServices.addService(trackpadService("Trackpad T650", "Logitech", true));
    Options::shared().sclAcc.set(10);
    engine::startTrackpadServiceWatch();
    expectWrite(magic, 8192);
    EXPECT_TRUE(nothingWritten());
    EXPECT_EQ(engine::TrackpadServices::shared().trackpadServices, (std::vector<platform::HidService>{magic, builtIn}));

    // The speed control writes from the background, to every trackpad held.
    slideTo(15);
    EXPECT_TRUE(nothingWritten());
    sim->background.runAll();
    expectWrite(magic, 27648, false);
    expectWrite(builtIn, 27648, false);
    slideTo(20);
    sim->background.runAll();
    expectWrite(magic, 65536, false);
    expectWrite(builtIn, 65536, false);
    EXPECT_TRUE(nothingWritten());

    // Termination puts the system's value back on every trackpad.
    engine::restoreTrackpadScrollAcceleration();
    expectWrite(magic, 27648);
    expectWrite(builtIn, 27648);
    EXPECT_TRUE(nothingWritten());
}

TEST_F(TrackpadServicesTest, HotPluggedTrackpadIsWrittenAndRestartsTheTouchDevices) {
    Options::shared().sclAcc.set(5);
    engine::startTrackpadServiceWatch();
    sim->multitouch.addDevice(0x31);
    const auto magic = sim->hidServices.addService(kMagicTrackpadService);
    const auto mouse = sim->hidServices.addService(trackpadService("MX Master", "Logitech", true));
    EXPECT_TRUE(nothingWritten()) << "announced on a later turn of the main queue";
    sim->runLoop.runPending();
    expectWrite(magic, 1024);
    EXPECT_TRUE(nothingWritten());
    EXPECT_EQ(engine::MultitouchState::shared().multitouchDeviceCount.load(), 1);
    EXPECT_EQ(sim->hidServices.removalBlockCount(magic), 1u);
    EXPECT_EQ(sim->hidServices.removalBlockCount(mouse), 0u);

    // A second announcement changes nothing.
    engine::trackpadServiceAppeared(magic);
    EXPECT_EQ(sim->hidServices.removalBlockCount(magic), 1u);
    EXPECT_TRUE(nothingWritten());

    // One without the property still restarts the touch devices; unplugging
    // a hot-plugged one drops it.
    sim->multitouch.addDevice(0x32);
    const auto builtIn = sim->hidServices.addService(kBuiltInTrackpadService);
    sim->runLoop.runPending();
    EXPECT_TRUE(nothingWritten());
    EXPECT_EQ(engine::MultitouchState::shared().multitouchDeviceCount.load(), 2);
    sim->hidServices.removeService(magic);
    sim->runLoop.runPending();
    EXPECT_EQ(engine::TrackpadServices::shared().trackpadServices, std::vector<platform::HidService>{builtIn});
}

TEST_F(TrackpadServicesTest, SpeedsOutOfRangeAreClamped) {
    EXPECT_EQ(engine::scrollAccelerationValue(1), 8);
    EXPECT_EQ(engine::scrollAccelerationValue(30), 221184);
    EXPECT_EQ(engine::scrollAccelerationValue(50), 1024000);
    EXPECT_EQ(engine::scrollAccelerationValue(1e300), 1024000);
    EXPECT_EQ(engine::scrollAccelerationValue(std::numeric_limits<double>::infinity()), 1024000);
    EXPECT_EQ(engine::scrollAccelerationValue(-4), 0);
    EXPECT_EQ(engine::scrollAccelerationValue(std::nan("")), engine::kDefaultScrollAcceleration);
}

TEST_F(TrackpadServicesTest, BackgroundWritesLandInOrderAndTheLastWins) {
    const auto magic = sim->hidServices.addService(kMagicTrackpadService);
    engine::startTrackpadServiceWatch();
    sim->hidServices.writes.clear();
    slideTo(5);
    slideTo(10);
    slideTo(20);
    sim->background.runAll();
    expectWrite(magic, 65536, false);
    EXPECT_TRUE(nothingWritten());

    // A write still pending at termination never lands after the restore.
    slideTo(30);
    engine::restoreTrackpadScrollAcceleration();
    sim->background.runAll();
    expectWrite(magic, 27648);
    EXPECT_TRUE(nothingWritten());
}

TEST_F(TrackpadServicesTest, TheWatchNeedsAClientAndAServiceList) {
    sim->hidServices.failCreateClient = true;
    sim->hidServices.addService(kMagicTrackpadService);
    engine::startTrackpadServiceWatch();
    EXPECT_TRUE(engine::TrackpadServices::shared().trackpadServices.empty());

    resetShared();
    sim->hidServices.failCreateClient = false;
    sim->hidServices.failCopyServices = true;
    engine::startTrackpadServiceWatch();
    const auto client = engine::TrackpadServices::shared().client;
    EXPECT_TRUE(sim->hidServices.scheduled(client));
    EXPECT_EQ(sim->hidServices.matchingOf(client), (HidPropertyDict{{"DeviceUsagePage", 1}, {"DeviceUsage", 2}}));
    EXPECT_TRUE(engine::TrackpadServices::shared().trackpadServices.empty());
    // Trackpads announced later are still handled.
    const auto later = sim->hidServices.addService(kMagicTrackpadService);
    sim->runLoop.runPending();
    EXPECT_EQ(engine::TrackpadServices::shared().trackpadServices, std::vector<platform::HidService>{later});
}

} // namespace
} // namespace corv::test
