#include "model/ExtraKeys.h"
#include "model/KeyMenuKeys.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace corv {
namespace {

// Whole tables, in order: a changed, moved or missing row shows in the diff.
TEST(KeyMenuTablesTest, KeyMenuKeysInOrder) {
    std::string all;
    for (const NamedKey& k : keyMenuKeys()) all += std::string(k.name) + "=" + std::to_string(k.code) + " ";
    EXPECT_EQ(all,
              "Help=114 Del=117 Home=115 End=119 PageUp=116 PageDown=121 BackSpace=51 Enter=36 Esc=53 -=65535 "
              "Num .=65 Num *=67 Num +=69 Num Clear=71 Num /=75 Num Enter=76 Num -=78 Num ==81 Num 0=82 Num 1=83 "
              "Num 2=84 Num 3=85 Num 4=86 Num 5=87 Num 6=88 Num 7=89 Num 8=91 Num 9=92 -=65535 F9=101 F10=109 "
              "F11=103 F12=111 F13=105 F14=107 F15=113 F16=106 F17=64 F18=79 F19=80 F20=90 ");
}

TEST(KeyMenuTablesTest, ExtraKeysInOrderWithFlags) {
    std::string all;
    char flags[16];
    for (const ExtraKey& k : extraKeys()) {
        std::snprintf(flags, sizeof flags, "%llX", static_cast<unsigned long long>(k.flags));
        all += std::string(k.name) + "=" + std::to_string(k.code) + "/" + flags + " ";
    }
    EXPECT_EQ(all,
              "Help=114/800100 Del=117/800100 Home=115/800100 End=119/800100 PageUp=116/800100 "
              "PageDown=121/800100 BackSpace=51/100 Enter=36/100 Esc=53/100 \u2192=124/A00100 \u2190=123/A00100 "
              "\u2193=125/A00100 \u2191=126/A00100 -=65535/0 Num .=65/200100 Num *=67/200100 Num +=69/200100 "
              "Num Clear=71/A00100 Num /=75/200100 Num Enter=76/200100 Num -=78/200100 Num ==81/200100 "
              "Num 0=82/200100 Num 1=83/200100 Num 2=84/200100 Num 3=85/200100 Num 4=86/200100 Num 5=87/200100 "
              "Num 6=88/200100 Num 7=89/200100 Num 8=91/200100 Num 9=92/200100 -=65535/0 F9=101/800100 "
              "F10=109/800100 F11=103/800100 F12=111/800100 F13=105/800100 F14=107/800100 F15=113/800100 "
              "F16=106/800100 F17=64/800100 F18=79/800100 F19=80/800100 F20=90/800100 ");
}

} // namespace
} // namespace corv
