#include "model/KeyMenuKeys.h"

namespace corv {

namespace {

constexpr std::array<NamedKey, kKeyMenuKeyCount> kRows{{
    {"Help", 114},      {"Del", 117},        {"Home", 115},     {"End", 119},       {"PageUp", 116},
    {"PageDown", 121},  {"BackSpace", 51},   {"Enter", 36},     {"Esc", 53},        {"-", 0xFFFF},
    {"Num .", 65},      {"Num *", 67},       {"Num +", 69},     {"Num Clear", 71},  {"Num /", 75},
    {"Num Enter", 76},  {"Num -", 78},       {"Num =", 81},     {"Num 0", 82},      {"Num 1", 83},
    {"Num 2", 84},      {"Num 3", 85},       {"Num 4", 86},     {"Num 5", 87},      {"Num 6", 88},
    {"Num 7", 89},      {"Num 8", 91},       {"Num 9", 92},     {"-", 0xFFFF},      {"F9", 101},
    {"F10", 109},       {"F11", 103},        {"F12", 111},      {"F13", 105},       {"F14", 107},
    {"F15", 113},       {"F16", 106},        {"F17", 64},       {"F18", 79},        {"F19", 80},
    {"F20", 90},
}};

} // namespace

const std::array<NamedKey, kKeyMenuKeyCount>& keyMenuKeys() { return kRows; }

} // namespace corv
