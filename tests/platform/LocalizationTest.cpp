#include "platform/Localization.h"

#include <gtest/gtest.h>

TEST(Localization, KnownKeysGiveTextAndUnknownKeysGiveThemselves) {
    EXPECT_EQ(corv::platform::localized("Button ok"), "OK");
    EXPECT_EQ(corv::platform::localized("no such key here"), "no such key here");
}
