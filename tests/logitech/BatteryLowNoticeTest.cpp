// The low-battery notice: one notice on each step from 11 or more to below 11.

#include "logitech/BatteryLowNotice.h"
#include "support/SimFixture.h"

#include <gtest/gtest.h>

namespace corv::logitech {
namespace {

class BatteryLowNoticeTest : public test::SimTest {
protected:
    const DeviceName mx{"MX Keys", "Logitech"};
    auto& posted() { return sim->notifications.posted; }
};

TEST_F(BatteryLowNoticeTest, OnlyAStepDownAcrossElevenPosts) {
    batteryLowNotice(10, 12, mx);
    ASSERT_EQ(1u, posted().size());
    EXPECT_EQ("Kx", posted()[0].identifier);
    EXPECT_EQ("Corvadine", posted()[0].title);
    EXPECT_EQ("MX Keys: battery 10% \xE2\x9D\x97\xEF\xB8\x8F", posted()[0].body);

    batteryLowNotice(9, 10, mx);    // already low
    batteryLowNotice(5, -1, mx);    // first known value
    batteryLowNotice(11, 11, mx);   // not low
    batteryLowNotice(266, 50, mx);  // a status byte is never low
    EXPECT_EQ(1u, posted().size());

    batteryLowNotice(10, 11, mx);
    ASSERT_EQ(2u, posted().size());
    EXPECT_EQ("MX Keys: battery 10% \xE2\x9D\x97\xEF\xB8\x8F", posted()[1].body);
}

} // namespace
} // namespace corv::logitech
