#include "platform/desktop/windows/KWinReport.h"
#include "platform/desktop/windows/SwayReplies.h"

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

// Who each reader takes a window to be: its pid, or -1 for none of a process.
TEST(CompositorReportsTest, PidsAreAProcesssOrNoneAndIdsOnlyThoseOfTheWindowsTold) {
    const std::string view = R"({"id":7,"app_id":"foot","focused":true,"pid":)";
    const struct {
        std::string pid;
        std::int32_t want;
    } rows[] = {{"42", 42}, {"0", -1}, {"-5", -1}, {"1073741824", -1}, {"4294967338", -1}, {"\"42\"", -1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pid);
        const auto sway = swayWindowsOf(R"({"nodes":[)" + view + row.pid + "}]}");
        ASSERT_EQ(sway.windows.size(), 1u);
        EXPECT_EQ(sway.windows[0].pid, row.want);
        const auto kwin = kwinReportOf(QByteArray::fromStdString(R"({"windows":[{"id":"{0a1b}","pid":)" + row.pid +
                                                                  R"(}],"active":"{0a1b}","under":"{ffff}"})"));
        ASSERT_TRUE(kwin && kwin->windows.size() == 1u);
        EXPECT_EQ(kwin->windows[0].window.pid, row.want);
        EXPECT_EQ(kwin->active, QStringLiteral("{0a1b}"));
        EXPECT_TRUE(kwin->under.isEmpty());
    }
}

TEST(CompositorReportsTest, TextThatIsNoReplyTellsNothing) {
    for (const char* text : {"", "[]", "{", "\xff\xfe", "[[[[[[[[", R"({"windows":[{"id":"x);quit("}]})"}) {
        SCOPED_TRACE(text);
        const auto kwin = kwinReportOf(text);
        EXPECT_TRUE(!kwin || kwin->windows.empty());
        EXPECT_TRUE(swayWindowsOf(text).windows.empty());
        EXPECT_FALSE(swayDesktopsOf(text));
        EXPECT_FALSE(swayInputSourcesOf(text));
    }
}

} // namespace
} // namespace corv::desktop
