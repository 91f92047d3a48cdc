#include "model/ClickIds.h"
#include "model/ModifierLabels.h"

#include <gtest/gtest.h>

namespace corv {
namespace {

TEST(ModifierLabels, SixteenDistinctValuesWithTheNonCoalescedBit) {
    ASSERT_EQ(modifierLabelFlags().size(), 16u);
    for (const auto& row : modifierLabelRows()) {
        EXPECT_EQ(modifierLabelFlag(row.label), row.flags);
        EXPECT_EQ(modifierLabelFor(row.flags), row.label);
        if (row.label != "None") {
            EXPECT_EQ(row.flags & 0x100, 0x100u) << row.label;
        }
    }
    EXPECT_EQ(modifierLabelFlag("None"), 0u);
    EXPECT_EQ(modifierLabelFlag("Fn\u2318"), 0x900100u);
    EXPECT_EQ(modifierLabelFlag("\u21E7\u2318"), 0x120100u);
    EXPECT_EQ(modifierLabelFlag("\u2325\u2303"), 0xC0100u);
    EXPECT_EQ(modifierLabelRows()[1].label, "\xE2\x87\xA7"); // U+21E7 in UTF-8
}

TEST(ModifierLabels, UnmatchedValuesHaveNoLabel) {
    EXPECT_EQ(modifierLabelFor(0x120000), std::nullopt); // without 0x100
    EXPECT_EQ(modifierLabelFor(0x1A0100), std::nullopt); // three modifiers
    EXPECT_EQ(modifierLabelFlag("\u2318\u21E7"), std::nullopt);
}

TEST(ClickIds, NamesAndNumbersRoundTrip) {
    ASSERT_EQ(clickIds().size(), 4u);
    for (const auto& [name, id] : clickIds()) EXPECT_EQ(clickNameFor(id), name);
    EXPECT_EQ(clickId("No Click"), 0);
    EXPECT_EQ(clickId("Middle Click"), 3);
    EXPECT_EQ(clickNameFor(2), "R Click");
    EXPECT_EQ(clickNameFor(4), std::nullopt);
    EXPECT_EQ(clickId("Left Click"), std::nullopt);
}

} // namespace
} // namespace corv
