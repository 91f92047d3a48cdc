#include "model/ImplicitKeyFlags.h"
#include "model/ModifierMask.h"

#include <gtest/gtest.h>

namespace corv {
namespace {

constexpr std::uint16_t kKeyA = 0;
constexpr std::uint16_t kKeyF1 = 122;
constexpr std::uint16_t kKeyLeftArrow = 123;
constexpr std::uint16_t kKeyNum5 = 87;

TEST(ModifierMask, CapsLockNumericPadAndHelpNeverCount) {
    EXPECT_EQ(modifierMask(EventFlag::CapsLock | EventFlag::Shift), ModMask::Shift);
    EXPECT_EQ(modifierMask(EventFlag::NumericPad | EventFlag::Help | EventFlag::NonCoalesced), 0u);
    EXPECT_EQ(modifierMask(0xFFFFFFFFFFFFFFFFull), 0x9Eu);
    EXPECT_EQ(modifierMask(EventFlag::Command | EventFlag::Option | EventFlag::Fn), 0x98u);
}

TEST(ModifierMask, KeysThatCarryFnByThemselvesDropFn) {
    const std::uint64_t arrowFlags = *implicitKeyFlagsFor(kKeyLeftArrow);
    EXPECT_EQ(keyModifierMask(arrowFlags, kKeyLeftArrow), 0u);
    EXPECT_EQ(keyModifierMask(EventFlag::Fn | EventFlag::Shift, kKeyF1), ModMask::Shift);
    EXPECT_EQ(keyModifierMask(EventFlag::Fn, kKeyA), ModMask::Fn);
    // Keypad keys imply only the numeric-pad flag, so Fn stays.
    EXPECT_EQ(keyModifierMask(EventFlag::Fn | EventFlag::NumericPad, kKeyNum5), ModMask::Fn);
}

TEST(ImplicitKeyFlags, ThreeGroups) {
    EXPECT_EQ(implicitKeyFlags().size(), 52u);
    EXPECT_EQ(implicitKeyFlagsFor(kKeyF1), 0x800100u);
    EXPECT_EQ(implicitKeyFlagsFor(178), 0x800100u);
    EXPECT_EQ(implicitKeyFlagsFor(71), 0xA00100u);
    EXPECT_EQ(implicitKeyFlagsFor(126), 0xA00100u);
    EXPECT_EQ(implicitKeyFlagsFor(92), 0x200100u);
    EXPECT_EQ(implicitKeyFlagsFor(kKeyA), std::nullopt);
}

} // namespace
} // namespace corv
