#include "model/HidKeyTable.h"

namespace corv {

namespace {

constexpr std::array<HidKeyRow, kHidKeyRowCount> kRows{{
    {hidCode(0x7, 0xE3), "L CMD ⌘"}, // 0
    {hidCode(0x7, 0xE7), "R CMD ⌘"}, // 1
    {hidCode(0x7, 0xE2), "L Option ⌥"}, // 2
    {hidCode(0x7, 0xE6), "R Option ⌥"}, // 3
    {hidCode(0x7, 0xE0), "L Control ⌃"}, // 4
    {hidCode(0x7, 0xE4), "R Control ⌃"}, // 5
    {hidCode(0x7, 0xE1), "L Shift ⇧"}, // 6
    {hidCode(0x7, 0xE5), "R Shift ⇧"}, // 7
    {hidCode(0xFF, 0x3), "Fn"}, // 8
    {hidCode(0x7, 0x39), "Caps lock"}, // 9
    {hidCode(0x7, 0x64), "Non-US \\"}, // 10
    {hidCode(0x7, 0x65), "Application"}, // 11
    {hidCode(0x7, 0x66), "Power"}, // 12
    {0, "-"}, // 13
    {hidCode(0x7, 0x28), "Return"}, // 14
    {hidCode(0x7, 0x29), "Escape"}, // 15
    {hidCode(0x7, 0x2A), "Backspace"}, // 16
    {hidCode(0x7, 0x2B), "Tab"}, // 17
    {hidCode(0x7, 0x2C), "Space"}, // 18
    {hidCode(0x7, 0x2D), "- "}, // 19
    {hidCode(0x7, 0x2E), "="}, // 20
    {hidCode(0x7, 0x2F), "["}, // 21
    {hidCode(0x7, 0x30), "]"}, // 22
    {hidCode(0x7, 0x31), "\\"}, // 23
    {hidCode(0x7, 0x32), "#"}, // 24
    {hidCode(0x7, 0x33), ";"}, // 25
    {hidCode(0x7, 0x34), "'"}, // 26
    {hidCode(0x7, 0x35), "`"}, // 27
    {hidCode(0x7, 0x36), ","}, // 28
    {hidCode(0x7, 0x37), "."}, // 29
    {hidCode(0x7, 0x38), "/"}, // 30
    {0, "-"}, // 31
    {hidCode(0x7, 0x3A), "F1"}, // 32
    {hidCode(0x7, 0x3B), "F2"}, // 33
    {hidCode(0x7, 0x3C), "F3"}, // 34
    {hidCode(0x7, 0x3D), "F4"}, // 35
    {hidCode(0x7, 0x3E), "F5"}, // 36
    {hidCode(0x7, 0x3F), "F6"}, // 37
    {hidCode(0x7, 0x40), "F7"}, // 38
    {hidCode(0x7, 0x41), "F8"}, // 39
    {hidCode(0x7, 0x42), "F9"}, // 40
    {hidCode(0x7, 0x43), "F10"}, // 41
    {hidCode(0x7, 0x44), "F11"}, // 42
    {hidCode(0x7, 0x45), "F12"}, // 43
    {0, "-"}, // 44
    {hidCode(0x7, 0x46), "Print screen"}, // 45
    {hidCode(0x7, 0x47), "Scroll lock"}, // 46
    {hidCode(0x7, 0x48), "Pause"}, // 47
    {hidCode(0x7, 0x49), "Insert"}, // 48
    {hidCode(0x7, 0x4C), "Delete"}, // 49
    {hidCode(0x7, 0x4A), "Home"}, // 50
    {hidCode(0x7, 0x4D), "End"}, // 51
    {hidCode(0x7, 0x4B), "Page up"}, // 52
    {hidCode(0x7, 0x4E), "Page down"}, // 53
    {hidCode(0x7, 0x4F), "→"}, // 54
    {hidCode(0x7, 0x50), "←"}, // 55
    {hidCode(0x7, 0x51), "↓"}, // 56
    {hidCode(0x7, 0x52), "↑"}, // 57
    {0, "-"}, // 58
    {hidCode(0x7, 0x53), "NumLock"}, // 59
    {hidCode(0x7, 0x54), "Num /"}, // 60
    {hidCode(0x7, 0x55), "Num *"}, // 61
    {hidCode(0x7, 0x56), "Num -"}, // 62
    {hidCode(0x7, 0x57), "Num +"}, // 63
    {hidCode(0x7, 0x58), "Num enter"}, // 64
    {hidCode(0x7, 0x59), "Num 1"}, // 65
    {hidCode(0x7, 0x5A), "Num 2"}, // 66
    {hidCode(0x7, 0x5B), "Num 3"}, // 67
    {hidCode(0x7, 0x5C), "Num 4"}, // 68
    {hidCode(0x7, 0x5D), "Num 5"}, // 69
    {hidCode(0x7, 0x5E), "Num 6"}, // 70
    {hidCode(0x7, 0x5F), "Num 7"}, // 71
    {hidCode(0x7, 0x60), "Num 8"}, // 72
    {hidCode(0x7, 0x61), "Num 9"}, // 73
    {hidCode(0x7, 0x62), "Num 0"}, // 74
    {hidCode(0x7, 0x63), "Num ."}, // 75
    {hidCode(0x7, 0x67), "Num ="}, // 76
    {0, "-"}, // 77
    {hidCode(0x7, 0x68), "F13"}, // 78
    {hidCode(0x7, 0x69), "F14"}, // 79
    {hidCode(0x7, 0x6A), "F15"}, // 80
    {hidCode(0x7, 0x6B), "F16"}, // 81
    {hidCode(0x7, 0x6C), "F17"}, // 82
    {hidCode(0x7, 0x6D), "F18"}, // 83
    {hidCode(0x7, 0x6E), "F19"}, // 84
    {hidCode(0x7, 0x6F), "F20"}, // 85
    {hidCode(0x7, 0x70), "F21"}, // 86
    {hidCode(0x7, 0x71), "F22"}, // 87
    {hidCode(0x7, 0x72), "F23"}, // 88
    {hidCode(0x7, 0x73), "F24"}, // 89
    {0, "-"}, // 90
    {hidCode(0x7, 0x7F), "Mute"}, // 91
    {hidCode(0x7, 0x80), "Volume up"}, // 92
    {hidCode(0x7, 0x81), "Volume down"}, // 93
    {hidCode(0xFF, 0x4), "BLight up"}, // 94
    {hidCode(0xFF, 0x5), "BLight down"}, // 95
    {hidCode(0xFF, 0x8), "Kbd Lumin up"}, // 96
    {hidCode(0xFF, 0x9), "Kbd Lumin down"}, // 97
    {hidCode(0xFF01, 0x1), "Spotlight"}, // 98
    {hidCode(0xFF01, 0x2), "Dashboard"}, // 99
    {hidCode(0xFF01, 0x3), "Function"}, // 100
    {hidCode(0xFF01, 0x4), "Launchpad"}, // 101
    {hidCode(0xFF01, 0xC), "PowerState"}, // 102
    {hidCode(0xFF01, 0x10), "Expose all"}, // 103
    {hidCode(0xFF01, 0x11), "Expose Desktop"}, // 104
    {hidCode(0xFF01, 0x20), "BLight up"}, // 105
    {hidCode(0xFF01, 0x21), "BLight down"}, // 106
    {hidCode(0xFF01, 0x30), "Language"}, // 107
    {0, "-"}, // 108
    {hidCode(0xC, 0x40), "Lock"}, // 109
    {hidCode(0xC, 0x6F), "BLight up"}, // 110
    {hidCode(0xC, 0x70), "BLight down"}, // 111
    {hidCode(0xC, 0xCD), "Play/Pause"}, // 112
    {hidCode(0xC, 0xB3), "Forward"}, // 113
    {hidCode(0xC, 0xB4), "Rewind"}, // 114
    {hidCode(0xC, 0xB5), "Next"}, // 115
    {hidCode(0xC, 0xB6), "Previous"}, // 116
    {hidCode(0xC, 0xCC), "Eject"}, // 117
    {hidCode(0xC, 0xCF), "Dictation"}, // 118
    {hidCode(0xC, 0xE2), "Mute"}, // 119
    {hidCode(0xC, 0xEA), "Volume up"}, // 120
    {hidCode(0xC, 0xE9), "Volume down"}, // 121
    {hidCode(0x1, 0x9B), "Focus"}, // 122
    {hidCode(0xC, 0x221), "Spotlight"}, // 123
}};

} // namespace

const std::array<HidKeyRow, kHidKeyRowCount>& hidKeyTable() { return kRows; }

std::optional<HidKeyRow> hidKeyRow(std::size_t index) {
    if (index >= kRows.size()) return std::nullopt;
    return kRows[index];
}

std::optional<std::size_t> findHidKeyRow(std::uint64_t code) {
    for (std::size_t i = 0; i < kRows.size(); ++i)
        if (kRows[i].code == code) return i;
    return std::nullopt;
}

} // namespace corv
