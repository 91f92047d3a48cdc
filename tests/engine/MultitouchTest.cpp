#include "EngineFixture.h"

#include "engine/MultitouchDevices.h"
#include "model/GesState.h"

#include <thread>

namespace corv::engine {
namespace {

class MultitouchTest : public test::EngineTest {};

TEST_F(MultitouchTest, FingerCountsFromTheDriverThread) {
    auto pad = sim->multitouch.addDevice(0xA1);
    ASSERT_TRUE(startMultitouchDevices());

    std::vector<std::uint64_t> fcnt, maxima;
    auto& state = MultitouchState::shared();
    // Each frame comes from a thread of its own; the main thread reads after it ends.
    for (int n : {0, 2, 3, 2, 0, 1}) {
        std::uint64_t before = GesState::shared().fcnt;
        std::thread driver([&] { sim->multitouch.frame(pad, n); });
        driver.join();
        fcnt.push_back(GesState::shared().fcnt);
        if (GesState::shared().fcnt != before) maxima.push_back(state.touchSequenceMaxFingers);
    }
    EXPECT_EQ(fcnt, (std::vector<std::uint64_t>{0, 2, 3, 2, 0, 1}));
    EXPECT_EQ(maxima, (std::vector<std::uint64_t>{2, 3, 3, 3, 1}));
    EXPECT_EQ(state.lastTouchDeviceId, 0xA1u);

    // The same frames in one run of the driver thread end the same way.
    sim->multitouch.playFrames(pad, {0, 2, 3, 2, 0, 1});
    EXPECT_EQ(GesState::shared().fcnt, 1u);
    EXPECT_EQ(state.touchSequenceMaxFingers, 1u);
}

TEST_F(MultitouchTest, RepeatedCountOnlyNotesTheDevice) {
    auto a = sim->multitouch.addDevice(1);
    auto b = sim->multitouch.addDevice(2, false);
    startMultitouchDevices();
    sim->multitouch.playFrames(a, {2});
    sim->multitouch.playFrames(b, {2});
    auto& state = MultitouchState::shared();
    EXPECT_EQ(state.lastTouchDeviceId, 2u);
    EXPECT_EQ(state.previousFingerCount, 2u);
    EXPECT_EQ(GesState::shared().fcnt, 2u);
}

TEST_F(MultitouchTest, StartingListsOpenedActuatorsAndPicksTheTouchedOne) {
    auto a = sim->multitouch.addDevice(11);
    sim->multitouch.addDevice(12, false);
    auto c = sim->multitouch.addDevice(13);
    auto& state = MultitouchState::shared();

    EXPECT_FALSE(feedbackActuator());
    ASSERT_TRUE(startMultitouchDevices());
    EXPECT_EQ(state.multitouchDeviceCount, 3);
    ASSERT_EQ(state.multitouchActuators.size(), 2u);
    EXPECT_EQ(state.multitouchActuators[0].deviceId, 11u);
    EXPECT_EQ(state.multitouchActuators[1].deviceId, 13u);
    EXPECT_TRUE(sim->multitouch.actuatorOpen(state.multitouchActuators[1].actuator));
    EXPECT_TRUE(sim->multitouch.started(a));

    sim->multitouch.playFrames(c, {1});
    ASSERT_TRUE(feedbackActuator());
    EXPECT_EQ(feedbackActuator()->deviceId, 13u);

    // Starting again rebuilds the list; the driver's failure changes nothing.
    startMultitouchDevices();
    EXPECT_EQ(state.multitouchActuators.size(), 2u);
    sim->multitouch.failList = true;
    EXPECT_FALSE(startMultitouchDevices());
    EXPECT_EQ(state.multitouchActuators.size(), 2u);
}

} // namespace
} // namespace corv::engine
