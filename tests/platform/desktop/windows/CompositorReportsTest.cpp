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
        EXPECT_TRUE(swayTreeOf(text).areas.empty());
        EXPECT_FALSE(swayWindowChangeOf(text));
        EXPECT_FALSE(swayDesktopsOf(text));
        EXPECT_FALSE(swayInputSourcesOf(text));
        EXPECT_EQ(swayFloatingMinimumOf(text), std::make_pair(75, 50));
    }
}

// sway's least floating size as its configuration sets it: its default for
// none or 0, nothing for -1, the last line where several.
TEST(CompositorReportsTest, TheFloatingMinimumIsTheConfigurationsLastWordOrSwaysDefault) {
    const struct {
        const char* config;
        std::pair<int, int> want;
    } rows[] = {{"bar {\\n}", {75, 50}},
                {"floating_minimum_size 100 x 80", {100, 80}},
                {"  floating_minimum_size 0 x 0", {75, 50}},
                {"floating_minimum_size -1 x -1", {0, 0}},
                {"floating_minimum_size 90 x 60\\nfloating_minimum_size 30x40", {30, 40}},
                {"# floating_minimum_size 200 x 200", {75, 50}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.config);
        EXPECT_EQ(swayFloatingMinimumOf(std::string(R"({"config":")") + row.config + "\"}"), row.want);
    }
}

// What each reply says, as sway and our KWin script write them.
TEST(CompositorReportsTest, TheFocusedViewLastTheFocusedOutputsWorkspacesAndLayoutsOfTheirOwnIds) {
    const auto tree = swayWindowsOf(R"({"nodes":[{"nodes":[{"id":4,"pid":9,"focused":true,"window_properties":
        {"class":"XTerm","instance":"xterm"}}],"floating_nodes":[{"id":5,"pid":10,"app_id":"foot"}]}]})");
    ASSERT_EQ(tree.windows.size(), 2u);
    EXPECT_EQ(tree.focused, 4u);
    EXPECT_EQ(tree.windows.back().id, 4u);
    EXPECT_EQ(tree.windows.back().wmClass, "XTerm");
    EXPECT_EQ(swayDesktopsOf(R"([{"output":"A"},{"output":"B"},{"output":"A","focused":true},{"output":"A"}])"),
              (CompositorDesktops{1, 3}));
    const auto sources = swayInputSourcesOf(R"j([{"type":"pointer"},{"type":"keyboard","xkb_layout_names":
        ["English (US)","English (US)","French"],"xkb_active_layout_index":2}])j");
    ASSERT_TRUE(sources && sources->sources.size() == 3u);
    EXPECT_EQ(sources->sources[1].id, "English (US) #2");
    EXPECT_EQ(sources->sources[1].name, "English (US)");
    EXPECT_EQ(sources->current, 2);
    const auto kwin = kwinReportOf(R"({"windows":[{"id":"{1}","maximized":true,"x11":7},{"id":"{1}"},{"id":"{2}",
        "x11":4294967303}],"desktop":2,"desktops":2,"x":3,"y":4})");
    EXPECT_TRUE(kwin && kwin->windows.back().x11Window == 0 && kwin->windows.front().x11Window == 7);
    ASSERT_TRUE(kwin && kwin->windows.size() == 2u);
    EXPECT_TRUE(kwin->windows[0].maximized);
    EXPECT_FALSE(kwin->windows[1].maximized);
    EXPECT_FALSE(kwin->desktops);
    EXPECT_EQ(kwin->pointer, (platform::Point{3, 4}));
}

} // namespace
} // namespace corv::desktop
