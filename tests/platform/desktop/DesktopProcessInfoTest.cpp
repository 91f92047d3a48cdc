#include "platform/desktop/DesktopProcessInfo.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace corv::desktop {
namespace {

TEST(DesktopProcessInfoTest, ReadsThisProcessAndNothingForAMissingOne) {
    DesktopProcessInfo info;
    EXPECT_EQ(info.currentPid(), ::getpid());
    auto path = info.executablePath(info.currentPid());
    ASSERT_TRUE(path);
    EXPECT_NE(path->find("desktop_tests"), std::string::npos);
    auto name = info.name(info.currentPid());
    ASSERT_TRUE(name);
    EXPECT_EQ(name->back() == '\n', false);
    EXPECT_FALSE(info.executablePath(0));
    EXPECT_FALSE(info.name(-5));
}

} // namespace
} // namespace corv::desktop
