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

TEST(Battery, EveryVoltageThresholdIsPinnedAndReadAtItsEdge) {
    const std::array<std::uint16_t, 100> table{
        4186, 4156, 4143, 4133, 4122, 4113, 4103, 4094, 4086, 4075, 4067, 4059, 4051, 4043, 4035, 4027, 4019,
        4011, 4003, 3997, 3989, 3983, 3976, 3969, 3961, 3955, 3949, 3942, 3935, 3929, 3922, 3916, 3909, 3902,
        3896, 3890, 3883, 3877, 3870, 3865, 3859, 3853, 3848, 3842, 3837, 3833, 3828, 3824, 3819, 3815, 3811,
        3808, 3804, 3800, 3797, 3793, 3790, 3787, 3784, 3781, 3778, 3775, 3772, 3770, 3767, 3764, 3762, 3759,
        3757, 3754, 3751, 3748, 3744, 3741, 3737, 3734, 3730, 3726, 3724, 3720, 3717, 3714, 3710, 3706, 3702,
        3697, 3693, 3688, 3683, 3677, 3671, 3666, 3662, 3658, 3654, 3646, 3633, 3612, 3579, 3537};
    EXPECT_EQ(kVoltageThresholds, table);
    auto level = [](int mv) {
        return batteryFromVoltageReply(
            report(0, {static_cast<std::uint8_t>(mv >> 8), static_cast<std::uint8_t>(mv & 0xFF), 0x00}));
    };
    for (std::size_t n = 0; n < table.size(); ++n) {
        EXPECT_EQ(level(table[n] + 1), 100 - static_cast<int>(n)) << table[n] + 1 << " mV";
        EXPECT_EQ(level(table[n]), 99 - static_cast<int>(n)) << table[n] << " mV";
    }
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
