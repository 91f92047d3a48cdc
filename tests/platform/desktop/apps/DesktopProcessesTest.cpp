#include "platform/desktop/apps/DesktopProcesses.h"
#include "platform/desktop/DesktopRunLoop.h"

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

// Spins the loop until the result came, for at most five seconds.
std::optional<std::optional<Bytes>> runAndWait(const std::string& path, const std::vector<std::string>& args) {
    DesktopRunLoop loop;
    DesktopProcesses processes;
    std::optional<std::optional<Bytes>> result;
    processes.run(path, args, [&](std::optional<Bytes> out) { result = std::move(out); });
    for (int i = 0; i < 500 && !result; ++i) loop.runFor(0.01);
    return result;
}

TEST(DesktopProcesses, RunGivesOutputAndErrorTogether) {
    auto result = runAndWait("/bin/sh", {"-c", "printf out; printf err >&2"});
    ASSERT_TRUE(result);
    ASSERT_TRUE(*result);
    EXPECT_EQ(std::string((*result)->begin(), (*result)->end()), "outerr");
}

TEST(DesktopProcesses, MissingProgramIsNotStarted) {
    auto result = runAndWait("/nonexistent/corvadine-tool", {});
    ASSERT_TRUE(result);
    EXPECT_FALSE(*result);
    EXPECT_FALSE(DesktopProcesses().spawn("/nonexistent/corvadine-tool", {}));
}

} // namespace
} // namespace corv::desktop
