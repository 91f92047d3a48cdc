#include "platform/desktop/input/EvdevKeyMap.h"

#include "model/HidKeyTable.h"
#include "model/KeyCodeNames.h"
#include "platform/desktop/input/DesktopHidEventSystem.h"

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

#include <set>

namespace corv::desktop {
namespace {

TEST(EvdevKeyMap, AgreesWithTheModelsKeyTables) {
    std::set<std::uint16_t> evdev;
    for (const auto& k : evdevKeys()) EXPECT_TRUE(evdev.insert(k.evdev).second) << "evdev code twice: " << k.evdev;

    // Every named virtual key but the ones with no key on a PC keyboard goes
    // to evdev and back to itself.
    const std::set<std::uint16_t> noPcKey{52, 131, 160, 176, 177, 178, 179};
    for (const auto& [vk, name] : keyCodeNames()) {
        if (noPcKey.count(vk)) continue;
        auto code = evdevOfVirtualKey(vk);
        ASSERT_TRUE(code) << name;
        EXPECT_EQ(virtualKeyOfEvdev(*code), vk) << name;
    }
    // Every keyboard-page row of the substitution table has a key here.
    for (const auto& row : hidKeyTable()) {
        if (row.isSeparator() || hidUsagePage(row.code) != 7) continue;
        auto code = evdevOfHidUsage(row.code);
        ASSERT_TRUE(code) << row.label;
        if (row.code != hidCode(7, 0x32)) {
            EXPECT_EQ(hidUsageOfEvdev(*code), row.code) << row.label;
        }
    }
    EXPECT_EQ(evdevOfVirtualKey(55), KEY_LEFTMETA);  // Command is Super
    EXPECT_EQ(evdevOfVirtualKey(58), KEY_LEFTALT);   // Option is Alt
    EXPECT_EQ(evdevOfHidUsage(hidCode(0xFF, 0x3)), KEY_FN);
    EXPECT_FALSE(virtualKeyOfEvdev(KEY_PLAYPAUSE));
}

TEST(EvdevKeyMap, UserKeyMappingBecomesARemapOrNothing) {
    using platform::HidProperty;
    auto pair = [](std::int64_t src, std::int64_t dst) {
        platform::HidPropertyDict d;
        d["HIDKeyboardModifierMappingSrc"] = HidProperty(src);
        d["HIDKeyboardModifierMappingDst"] = HidProperty(dst);
        return HidProperty(d);
    };
    const std::int64_t caps = 0x700000039, lctrl = 0x7000000E0, unknown = 0xFF0100000001;
    auto remap = remapOfUserKeyMapping(HidProperty(platform::HidPropertyArray{
        pair(caps, lctrl), pair(lctrl, caps), pair(caps, 0x700000004), pair(unknown, caps)}));
    ASSERT_TRUE(remap);
    EXPECT_EQ(*remap, (std::map<std::uint16_t, std::uint16_t>{{KEY_CAPSLOCK, KEY_LEFTCTRL}, {KEY_LEFTCTRL, KEY_CAPSLOCK}}));
    EXPECT_EQ(remapOfUserKeyMapping(HidProperty(platform::HidPropertyArray{})), (std::map<std::uint16_t, std::uint16_t>{}));
    EXPECT_FALSE(remapOfUserKeyMapping(HidProperty("x")));
    EXPECT_FALSE(remapOfUserKeyMapping(HidProperty(platform::HidPropertyArray{HidProperty(1)})));
}

} // namespace
} // namespace corv::desktop
