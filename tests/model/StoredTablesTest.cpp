#include "model/ActionTable.h"
#include "model/HidKeyTable.h"

#include <gtest/gtest.h>

#include <string_view>

// Tables whose row numbers and values live on in the users' settings: each
// is compared with a full copy, row by row, so that a swapped row or flag
// shows.

namespace corv {
namespace {

struct ActionRow {
    std::string_view name;
    ActionFlags flags;  // clickTh, clickThEn, multiShot
};

// Indexed by action id.
constexpr ActionRow kActions[] = {
        {"Do Nothing", {false, true, false}},  // 0
        {"Double Click", {false, false, false}},  // 1
        {"Triple Click", {false, false, false}},  // 2
        {"Look Up", {true, true, false}},  // 3
        {"Smart Zoom", {true, true, false}},  // 4
        {"Swipe Forward", {true, true, false}},  // 5
        {"Swipe Back", {true, true, false}},  // 6
        {"Mute Mic", {false, false, false}},  // 7
        {"3 Finger Swipe L", {false, false, true}},  // 8
        {"3 Finger Swipe R", {false, false, true}},  // 9
        {"3 Finger Swipe U", {false, false, true}},  // 10
        {"3 Finger Swipe D", {false, false, true}},  // 11
        {"3 Finger Pinch in", {false, false, true}},  // 12
        {"3 Finger Pinch out", {false, false, true}},  // 13
        {"Media Play/Pause", {false, false, false}},  // 14
        {"Media Previous", {false, false, false}},  // 15
        {"Media Next", {false, false, false}},  // 16
        {"Volume Mute", {false, false, false}},  // 17
        {"Volume Up", {false, false, false}},  // 18
        {"Volume Down", {false, false, false}},  // 19
        {"Backlight Up", {false, false, false}},  // 20
        {"Backlight Down", {false, false, false}},  // 21
        {"Trigger Swipe L", {false, false, false}},  // 22
        {"Trigger Swipe R", {false, false, false}},  // 23
        {"Trigger Swipe U", {false, false, false}},  // 24
        {"Trigger Swipe D", {false, false, false}},  // 25
        {"Trigger Pinch in", {false, false, false}},  // 26
        {"Trigger Pinch out", {false, false, false}},  // 27
        {"Volume Up Continuous", {false, false, true}},  // 28
        {"Volume Down Continuous", {false, false, true}},  // 29
        {"Backlight Up Continuous", {false, false, true}},  // 30
        {"Backlight Down Continuous", {false, false, true}},  // 31
        {"Scroll Left", {false, true, true}},  // 32
        {"Scroll Right", {false, true, true}},  // 33
        {"2 Finger Scroll", {false, false, true}},  // 34
        {"Pan", {true, true, true}},  // 35
        {"Cmd Click", {true, true, false}},  // 36
        {"Shift Cmd Click", {true, true, false}},  // 37
        {"Ctrl Cmd Click", {true, true, false}},  // 38
        {"Shift Click", {true, true, false}},  // 39
        {"Option Click", {true, true, false}},  // 40
        {"Left Click", {true, true, false}},  // 41
        {"Right Click", {true, true, false}},  // 42
        {"Middle Click", {true, true, false}},  // 43
        {"Zoom In", {false, false, true}},  // 44
        {"Zoom Out", {false, false, true}},  // 45
        {"Sleep", {false, false, false}},  // 46
        {"Logout", {false, false, false}},  // 47
        {"Screen Off", {false, false, false}},  // 48
        {"Lock Screen", {false, false, false}},  // 49
        {"App Launch", {false, false, false}},  // 50
        {"IM Switch", {false, false, false}},  // 51
        {"Extra Keys", {false, false, false}},  // 52
        {"Zoom Window", {false, false, false}},  // 53
        {"Fullscreen Window", {false, false, false}},  // 54
        {"Mod Clicks", {false, true, false}},  // 55
        {"Url", {false, false, false}},  // 56
};

// Indexed by row; the indexes are stored with each key substitution.
constexpr HidKeyRow kHidKeys[] = {
        {hidCode(0x07, 0xE3), "L CMD ⌘"},  // 0
        {hidCode(0x07, 0xE7), "R CMD ⌘"},  // 1
        {hidCode(0x07, 0xE2), "L Option ⌥"},  // 2
        {hidCode(0x07, 0xE6), "R Option ⌥"},  // 3
        {hidCode(0x07, 0xE0), "L Control ⌃"},  // 4
        {hidCode(0x07, 0xE4), "R Control ⌃"},  // 5
        {hidCode(0x07, 0xE1), "L Shift ⇧"},  // 6
        {hidCode(0x07, 0xE5), "R Shift ⇧"},  // 7
        {hidCode(0xFF, 0x03), "Fn"},  // 8
        {hidCode(0x07, 0x39), "Caps lock"},  // 9
        {hidCode(0x07, 0x64), "Non-US \\"},  // 10
        {hidCode(0x07, 0x65), "Application"},  // 11
        {hidCode(0x07, 0x66), "Power"},  // 12
        {0, "-"},  // 13
        {hidCode(0x07, 0x28), "Return"},  // 14
        {hidCode(0x07, 0x29), "Escape"},  // 15
        {hidCode(0x07, 0x2A), "Backspace"},  // 16
        {hidCode(0x07, 0x2B), "Tab"},  // 17
        {hidCode(0x07, 0x2C), "Space"},  // 18
        {hidCode(0x07, 0x2D), "- "},  // 19
        {hidCode(0x07, 0x2E), "="},  // 20
        {hidCode(0x07, 0x2F), "["},  // 21
        {hidCode(0x07, 0x30), "]"},  // 22
        {hidCode(0x07, 0x31), "\\"},  // 23
        {hidCode(0x07, 0x32), "#"},  // 24
        {hidCode(0x07, 0x33), ";"},  // 25
        {hidCode(0x07, 0x34), "'"},  // 26
        {hidCode(0x07, 0x35), "`"},  // 27
        {hidCode(0x07, 0x36), ","},  // 28
        {hidCode(0x07, 0x37), "."},  // 29
        {hidCode(0x07, 0x38), "/"},  // 30
        {0, "-"},  // 31
        {hidCode(0x07, 0x3A), "F1"},  // 32
        {hidCode(0x07, 0x3B), "F2"},  // 33
        {hidCode(0x07, 0x3C), "F3"},  // 34
        {hidCode(0x07, 0x3D), "F4"},  // 35
        {hidCode(0x07, 0x3E), "F5"},  // 36
        {hidCode(0x07, 0x3F), "F6"},  // 37
        {hidCode(0x07, 0x40), "F7"},  // 38
        {hidCode(0x07, 0x41), "F8"},  // 39
        {hidCode(0x07, 0x42), "F9"},  // 40
        {hidCode(0x07, 0x43), "F10"},  // 41
        {hidCode(0x07, 0x44), "F11"},  // 42
        {hidCode(0x07, 0x45), "F12"},  // 43
        {0, "-"},  // 44
        {hidCode(0x07, 0x46), "Print screen"},  // 45
        {hidCode(0x07, 0x47), "Scroll lock"},  // 46
        {hidCode(0x07, 0x48), "Pause"},  // 47
        {hidCode(0x07, 0x49), "Insert"},  // 48
        {hidCode(0x07, 0x4C), "Delete"},  // 49
        {hidCode(0x07, 0x4A), "Home"},  // 50
        {hidCode(0x07, 0x4D), "End"},  // 51
        {hidCode(0x07, 0x4B), "Page up"},  // 52
        {hidCode(0x07, 0x4E), "Page down"},  // 53
        {hidCode(0x07, 0x4F), "→"},  // 54
        {hidCode(0x07, 0x50), "←"},  // 55
        {hidCode(0x07, 0x51), "↓"},  // 56
        {hidCode(0x07, 0x52), "↑"},  // 57
        {0, "-"},  // 58
        {hidCode(0x07, 0x53), "NumLock"},  // 59
        {hidCode(0x07, 0x54), "Num /"},  // 60
        {hidCode(0x07, 0x55), "Num *"},  // 61
        {hidCode(0x07, 0x56), "Num -"},  // 62
        {hidCode(0x07, 0x57), "Num +"},  // 63
        {hidCode(0x07, 0x58), "Num enter"},  // 64
        {hidCode(0x07, 0x59), "Num 1"},  // 65
        {hidCode(0x07, 0x5A), "Num 2"},  // 66
        {hidCode(0x07, 0x5B), "Num 3"},  // 67
        {hidCode(0x07, 0x5C), "Num 4"},  // 68
        {hidCode(0x07, 0x5D), "Num 5"},  // 69
        {hidCode(0x07, 0x5E), "Num 6"},  // 70
        {hidCode(0x07, 0x5F), "Num 7"},  // 71
        {hidCode(0x07, 0x60), "Num 8"},  // 72
        {hidCode(0x07, 0x61), "Num 9"},  // 73
        {hidCode(0x07, 0x62), "Num 0"},  // 74
        {hidCode(0x07, 0x63), "Num ."},  // 75
        {hidCode(0x07, 0x67), "Num ="},  // 76
        {0, "-"},  // 77
        {hidCode(0x07, 0x68), "F13"},  // 78
        {hidCode(0x07, 0x69), "F14"},  // 79
        {hidCode(0x07, 0x6A), "F15"},  // 80
        {hidCode(0x07, 0x6B), "F16"},  // 81
        {hidCode(0x07, 0x6C), "F17"},  // 82
        {hidCode(0x07, 0x6D), "F18"},  // 83
        {hidCode(0x07, 0x6E), "F19"},  // 84
        {hidCode(0x07, 0x6F), "F20"},  // 85
        {hidCode(0x07, 0x70), "F21"},  // 86
        {hidCode(0x07, 0x71), "F22"},  // 87
        {hidCode(0x07, 0x72), "F23"},  // 88
        {hidCode(0x07, 0x73), "F24"},  // 89
        {0, "-"},  // 90
        {hidCode(0x07, 0x7F), "Mute"},  // 91
        {hidCode(0x07, 0x80), "Volume up"},  // 92
        {hidCode(0x07, 0x81), "Volume down"},  // 93
        {hidCode(0xFF, 0x04), "BLight up"},  // 94
        {hidCode(0xFF, 0x05), "BLight down"},  // 95
        {hidCode(0xFF, 0x08), "Kbd Lumin up"},  // 96
        {hidCode(0xFF, 0x09), "Kbd Lumin down"},  // 97
        {hidCode(0xFF01, 0x01), "Spotlight"},  // 98
        {hidCode(0xFF01, 0x02), "Dashboard"},  // 99
        {hidCode(0xFF01, 0x03), "Function"},  // 100
        {hidCode(0xFF01, 0x04), "Launchpad"},  // 101
        {hidCode(0xFF01, 0x0C), "PowerState"},  // 102
        {hidCode(0xFF01, 0x10), "Expose all"},  // 103
        {hidCode(0xFF01, 0x11), "Expose Desktop"},  // 104
        {hidCode(0xFF01, 0x20), "BLight up"},  // 105
        {hidCode(0xFF01, 0x21), "BLight down"},  // 106
        {hidCode(0xFF01, 0x30), "Language"},  // 107
        {0, "-"},  // 108
        {hidCode(0x0C, 0x40), "Lock"},  // 109
        {hidCode(0x0C, 0x6F), "BLight up"},  // 110
        {hidCode(0x0C, 0x70), "BLight down"},  // 111
        {hidCode(0x0C, 0xCD), "Play/Pause"},  // 112
        {hidCode(0x0C, 0xB3), "Forward"},  // 113
        {hidCode(0x0C, 0xB4), "Rewind"},  // 114
        {hidCode(0x0C, 0xB5), "Next"},  // 115
        {hidCode(0x0C, 0xB6), "Previous"},  // 116
        {hidCode(0x0C, 0xCC), "Eject"},  // 117
        {hidCode(0x0C, 0xCF), "Dictation"},  // 118
        {hidCode(0x0C, 0xE2), "Mute"},  // 119
        {hidCode(0x0C, 0xEA), "Volume up"},  // 120
        {hidCode(0x0C, 0xE9), "Volume down"},  // 121
        {hidCode(0x01, 0x9B), "Focus"},  // 122
        {hidCode(0x0C, 0x221), "Spotlight"},  // 123
};

TEST(StoredTables, EveryActionKeepsItsIdAndDefaultFlags) {
    ASSERT_EQ(std::size(kActions), kActionCount);
    ASSERT_EQ(actionIds().size(), kActionCount);
    for (std::size_t id = 0; id < kActionCount; ++id) {
        SCOPED_TRACE(kActions[id].name);
        EXPECT_EQ(actionIdByName(kActions[id].name), static_cast<std::int64_t>(id));
        const ActionFlags& got = actionDefaultFlags()[id];
        EXPECT_EQ(got.clickTh, kActions[id].flags.clickTh);
        EXPECT_EQ(got.clickThEn, kActions[id].flags.clickThEn);
        EXPECT_EQ(got.multiShot, kActions[id].flags.multiShot);
    }
}

TEST(StoredTables, EveryHidKeyRowInOrder) {
    ASSERT_EQ(std::size(kHidKeys), kHidKeyRowCount);
    const auto& table = hidKeyTable();
    for (std::size_t i = 0; i < kHidKeyRowCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(table[i].code, kHidKeys[i].code);
        EXPECT_EQ(table[i].label, kHidKeys[i].label);
    }
}

} // namespace
} // namespace corv
