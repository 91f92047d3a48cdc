#include "platform/desktop/input/DesktopMultitouch.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace corv::desktop {
namespace {

std::vector<std::pair<platform::MultitouchDevice, int>> frames;
void record(platform::MultitouchDevice device, int fingers) { frames.emplace_back(device, fingers); }

TEST(DesktopMultitouch, TouchpadsAreDevicesWhoseFramesReachTheCallbacksOnceStarted) {
    frames.clear();
    DesktopMultitouch mt;
    mt.added("/sys/a");
    mt.frame("/sys/a", 2);  // not started: nobody hears it
    const auto list = mt.deviceList();
    ASSERT_TRUE(list && list->size() == 1);
    const auto a = list->front();
    mt.registerContactFrameCallback(a, record);
    mt.start(a, platform::kMultitouchRunMode);
    mt.frame("/sys/a", 3);
    // A touchpad plugged in later is heard through the callbacks already given.
    mt.added("/sys/b");
    mt.frame("/sys/b", 1);
    mt.removed("/sys/a");
    mt.frame("/sys/a", 5);  // gone: nobody hears it
    mt.added("/sys/a");     // back again: a new device, heard through the same callbacks
    mt.frame("/sys/a", 0);
    mt.frame("/sys/unknown", 4);
    const auto devices = *mt.deviceList();
    ASSERT_EQ(devices.size(), 2u);
    const auto b = devices.front(), again = devices.back();
    EXPECT_NE(a, b);
    EXPECT_NE(again, a);
    EXPECT_NE(again, b);
    EXPECT_EQ(mt.deviceId(a), a);
    EXPECT_EQ(mt.actuator(a), 0u);
    const std::vector<std::pair<platform::MultitouchDevice, int>> expected{{a, 3}, {b, 1}, {again, 0}};
    EXPECT_EQ(frames, expected);
}

} // namespace
} // namespace corv::desktop
