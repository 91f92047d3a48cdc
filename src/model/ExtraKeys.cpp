#include "model/ExtraKeys.h"

namespace corv {

namespace {

constexpr std::uint64_t kFn = 0x800100, kFnPad = 0xA00100, kPad = 0x200100, kPlain = 0x100;

constexpr std::array<ExtraKey, kExtraKeyCount> kRows{{
    {"Help", 114, kFn},        {"Del", 117, kFn},          {"Home", 115, kFn},        {"End", 119, kFn},
    {"PageUp", 116, kFn},      {"PageDown", 121, kFn},     {"BackSpace", 51, kPlain}, {"Enter", 36, kPlain},
    {"Esc", 53, kPlain},       {"\u2192", 124, kFnPad},    {"\u2190", 123, kFnPad},   {"\u2193", 125, kFnPad},
    {"\u2191", 126, kFnPad},   {"-", 0xFFFF, 0},           {"Num .", 65, kPad},       {"Num *", 67, kPad},
    {"Num +", 69, kPad},       {"Num Clear", 71, kFnPad},  {"Num /", 75, kPad},       {"Num Enter", 76, kPad},
    {"Num -", 78, kPad},       {"Num =", 81, kPad},        {"Num 0", 82, kPad},       {"Num 1", 83, kPad},
    {"Num 2", 84, kPad},       {"Num 3", 85, kPad},        {"Num 4", 86, kPad},       {"Num 5", 87, kPad},
    {"Num 6", 88, kPad},       {"Num 7", 89, kPad},        {"Num 8", 91, kPad},       {"Num 9", 92, kPad},
    {"-", 0xFFFF, 0},          {"F9", 101, kFn},           {"F10", 109, kFn},         {"F11", 103, kFn},
    {"F12", 111, kFn},         {"F13", 105, kFn},          {"F14", 107, kFn},         {"F15", 113, kFn},
    {"F16", 106, kFn},         {"F17", 64, kFn},           {"F18", 79, kFn},          {"F19", 80, kFn},
    {"F20", 90, kFn},
}};

} // namespace

const std::array<ExtraKey, kExtraKeyCount>& extraKeys() { return kRows; }

} // namespace corv
