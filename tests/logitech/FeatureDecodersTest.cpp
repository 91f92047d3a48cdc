// Pure decoders and encoders of the HID++ 2.0 features, on raw report bytes.

#include "logitech/BacklightWords.h"
#include "logitech/BatteryLevel.h"
#include "logitech/HostPlatforms.h"
#include "logitech/SoftwareId.h"
#include "model/Shared.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>

namespace corv::logitech {
namespace {

using Report = std::array<std::uint8_t, 20>;

// A long report of a feature with the given bytes from byte 4 on.
Report report(std::uint8_t function, std::initializer_list<std::uint8_t> params) {
    Report r{0x11, 0xFF, 0x05, static_cast<std::uint8_t>(function << 4 | 1)};
    std::size_t n = 4;
    for (auto b : params) r[n++] = b;
    return r;
}

TEST(SoftwareId, RunsTwoToFifteenAndNeverTakesTheKernelsOneOrZero) {
    resetShared();
    for (int id = 2; id <= 15; ++id) EXPECT_EQ(id, nextSoftwareId());
    EXPECT_EQ(2, nextSoftwareId());
    for (int i = 0; i < 40; ++i) EXPECT_GE(nextSoftwareId(), 2);
    resetShared();
}

TEST(Battery, VoltageReplyReadsTheThresholdTable) {
    EXPECT_EQ(100, batteryFromVoltageReply(report(0, {0x10, 0x5B, 0x00})));  // 4187 mV
    EXPECT_EQ(99, batteryFromVoltageReply(report(0, {0x10, 0x5A, 0x00})));   // 4186
    EXPECT_EQ(15, batteryFromVoltageReply(report(0, {0x0E, 0x74, 0x00})));   // 3700
    EXPECT_EQ(1, batteryFromVoltageReply(report(0, {0x0D, 0xD2, 0x00})));    // 3538
    EXPECT_EQ(0, batteryFromVoltageReply(report(0, {0x0D, 0xD1, 0x00})));    // 3537
    EXPECT_EQ(0, batteryFromVoltageReply(report(0, {0x00, 0x00, 0x00})));
    for (std::size_t n = 1; n < kVoltageThresholds.size(); ++n)
        EXPECT_LT(kVoltageThresholds[n], kVoltageThresholds[n - 1]);
}

TEST(Battery, VoltageStatusBits) {
    auto status = [](std::uint8_t flags) { return batteryFromVoltageReply(report(0, {0x0E, 0x74, flags})) & ~0xFF; };
    EXPECT_EQ(0, status(0x07));  // bit 7 clear: no status whatever else
    EXPECT_EQ(0x100, status(0x80));
    EXPECT_EQ(0x300, status(0x81));
    EXPECT_EQ(0x700, status(0x82));
    EXPECT_EQ(0xA00, status(0x83));
    EXPECT_EQ(0xA00, status(0x85));
    EXPECT_EQ(0x900, status(0xA1));  // charge complete wins
    EXPECT_EQ(15 | 0x700, batteryFromVoltageReply(report(0, {0x0E, 0x74, 0x82})));
}

TEST(Backlight, ConfigAnswerFillsBothWordsAndKeepsTheUsersSwitch) {
    BacklightPair w{{0, 0xAB'CD'EE'01ull}, {0x01, 0x1'00'00'00'00ull}};
    auto lit = applyBacklightConfig(w, report(0, {1, 0x22, 0, 0x7F, 0, 0x05}));
    EXPECT_EQ(0x7F2201u, lit.shown.backLight);
    EXPECT_EQ(0x7F2201u, lit.setting.backLight);
    EXPECT_EQ(0xABCD0501u, lit.shown.backLightOptions);  // level from byte 9
    EXPECT_EQ(0xABCD0501u, lit.setting.backLightOptions);
    EXPECT_FALSE(backlightSwitchDiffers(lit.setting, report(0, {1})));

    // Off: the options stay as they were, and the user's switch is kept.
    auto dark = applyBacklightConfig(w, report(0, {0, 0x22, 0, 0x7F, 0, 0x05}));
    EXPECT_EQ(0x7F2200u, dark.shown.backLight);
    EXPECT_EQ(0x7F2201u, dark.setting.backLight);
    EXPECT_EQ(w.shown.backLightOptions, dark.shown.backLightOptions);
    EXPECT_EQ(w.setting.backLightOptions, dark.setting.backLightOptions);
    EXPECT_TRUE(backlightSwitchDiffers(dark.setting, report(0, {0})));
}

TEST(Backlight, InformationTakesTheLevelOnlyWhileOn) {
    BacklightPair on{{0x01, 0x3300}, {}};
    auto a = applyBacklightInfo(on, report(2, {5, 2, 4, 3}));
    EXPECT_EQ(0x03040205u, a.shown.backLightOptions);
    EXPECT_EQ(a.shown.backLightOptions, a.setting.backLightOptions);
    BacklightPair off{{0x00, 0x3300}, {}};
    EXPECT_EQ(0x03043305u, applyBacklightInfo(off, report(2, {5, 2, 4, 3})).shown.backLightOptions);
}

TEST(Platforms, InformationAndDescriptorsInOrder) {
    auto info = decodePlatformInfo(report(0, {0x02, 0, 0, 3, 0, 2, 1}));
    EXPECT_EQ((PlatformInfo{true, 3, 2, 1}), info);
    EXPECT_FALSE(decodePlatformInfo(report(0, {0x01})).canChangePlatform);

    std::vector<LogiPlatform> list;
    EXPECT_TRUE(addPlatformDescriptor(list, report(1, {0, 0, 0x01})));
    EXPECT_FALSE(addPlatformDescriptor(list, report(1, {0, 0, 0x01})));  // already there
    EXPECT_TRUE(addPlatformDescriptor(list, report(1, {1, 3, 0x20})));   // position 3 while 1 listed
    EXPECT_EQ((std::vector<LogiPlatform>{{0, 0, 0x01}, {1, 3, 0x20}}), list);
}

} // namespace
} // namespace corv::logitech
