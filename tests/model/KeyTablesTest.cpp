#include "model/HidKeyTable.h"
#include "model/KeyCodeNames.h"
#include "model/KeyWords.h"
#include "model/LogiControlNames.h"
#include "model/ModifierLabels.h"
#include "model/SymbolicHotKeys.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

namespace corv {
namespace {

TEST(KeyCodeNames, SizeAndEntries) {
    EXPECT_EQ(keyCodeNames().size(), 119u);
    EXPECT_EQ(keyCodeName(0), "A");
    EXPECT_EQ(keyCodeName(42), "\\");
    EXPECT_EQ(keyCodeName(50), "`");
    EXPECT_EQ(keyCodeName(49), "\u23B5");
    EXPECT_EQ(keyCodeName(122), "F1");
    EXPECT_EQ(keyCodeName(179), "Fn");
    EXPECT_EQ(keyCodeName(10), std::nullopt);
    EXPECT_EQ(keyCodeName(54), std::nullopt);
}

TEST(LogiControlNames, SizeAndEntries) {
    EXPECT_EQ(logiControlNames().size(), 339u);
    EXPECT_EQ(logiControlName(1), "Volume_Up");
    EXPECT_EQ(logiControlName(339), "`//~");
    EXPECT_EQ(logiControlName(350), "////?");
    EXPECT_EQ(logiControlName(353), "Space");
    EXPECT_EQ(logiControlName(421), "\U001002C2");
    EXPECT_EQ(logiControlName(423), "\xF4\x80\x87\xAE"); // U+1001EE in UTF-8
    for (std::uint16_t absent : {0, 61, 152, 158, 168, 173, 175, 182, 354, 422})
        EXPECT_EQ(logiControlName(absent), std::nullopt) << absent;
}

TEST(HidKeyTable, RowsAndSeparators) {
    const auto& t = hidKeyTable();
    ASSERT_EQ(t.size(), 124u);
    EXPECT_EQ(t[8].label, "Fn");
    EXPECT_EQ(hidUsagePage(t[8].code), 0xFFu);
    EXPECT_EQ(hidUsage(t[8].code), 3u);
    EXPECT_EQ(t[122].label, "Focus");
    EXPECT_EQ(t[122].code, 0x1'0000'009Bull);
    EXPECT_EQ(t[123].label, "Spotlight");
    EXPECT_EQ(t[123].code, hidCode(0x0C, 0x221));
    EXPECT_EQ(t[10].label, "Non-US \\");

    std::vector<std::size_t> separators;
    for (std::size_t i = 0; i < t.size(); ++i)
        if (t[i].isSeparator()) separators.push_back(i);
    EXPECT_EQ(separators, (std::vector<std::size_t>{13, 31, 44, 58, 77, 90, 108}));
    EXPECT_EQ(t[19].label, "- ");
    EXPECT_FALSE(t[19].isSeparator());
}

TEST(HidKeyTable, SearchFindsTheFirstMatchingRow) {
    EXPECT_EQ(findHidKeyRow(0), 13u);
    EXPECT_EQ(findHidKeyRow(hidCode(0x07, 0xE3)), 0u);
    EXPECT_EQ(findHidKeyRow(hidCode(0x0C, 0x6F)), 110u);
    EXPECT_EQ(findHidKeyRow(hidCode(0x07, 0xFF)), std::nullopt);
    EXPECT_EQ(hidKeyRow(124), std::nullopt);
    EXPECT_EQ(hidKeyRow(123)->label, "Spotlight");
}

TEST(SymbolicHotKeys, SizeAndEntries) {
    EXPECT_EQ(symbolicHotKeyIds().size(), 35u);
    EXPECT_EQ(symbolicHotKeyId("LookUp"), 70);
    EXPECT_EQ(symbolicHotKeyId("SwitchToDesktop16"), 133);
    EXPECT_EQ(symbolicHotKeyId("AKLaunchpad"), 173);
    EXPECT_EQ(symbolicHotKeyId("Look Up"), std::nullopt);
}

// No stored name shows a Mac word; no two of one vocabulary show alike (each leads back).
TEST(KeyWords, EveryStoredNameShowsOneLinuxWord) {
    EXPECT_EQ(keyWords().size(), 29u);
    std::map<std::pair<int, std::string>, std::string_view> back;
    const auto check = [&](int vocabulary, std::string_view stored, const std::string& shown) {
        EXPECT_FALSE(std::regex_search(shown, std::regex("\u2318|\u2325|\u2303|\u21E7|\u23B5|Command|CMD|Cmd|Option"))) << shown;
        EXPECT_EQ(back.emplace(std::pair(vocabulary, shown), stored).first->second, stored) << shown;
    };
    for (const auto& [code, name] : keyCodeNames()) check(0, name, std::string(shownKeyName(name)));
    for (const HidKeyRow& r : hidKeyTable()) check(1, r.label, std::string(shownKeyName(r.label)));
    for (const auto& [id, name] : logiControlNames()) check(2, name, std::string(shownKeyName(name)));
    for (const ModifierLabel& r : modifierLabelRows()) check(3, r.label, shownModifierLabel(r.label));
}

} // namespace
} // namespace corv
