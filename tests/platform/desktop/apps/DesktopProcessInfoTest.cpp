#include "platform/desktop/apps/DesktopProcessInfo.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fcntl.h>
#include <sys/wait.h>
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

TEST(DesktopProcessInfoTest, AnExecutableUnderALongPathIsReadWhole) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    std::filesystem::path dir = tmp.path().toStdString();
    for (char c : {'a', 'b', 'c', 'd', 'e'}) dir /= std::string(250, c);
    std::filesystem::create_directories(dir);
    const auto program = dir / "sleep";
    std::filesystem::copy_file("/bin/sleep", program);
    ASSERT_GT(program.string().size(), 1100u);

    // The pipe closes on the exec, so its end tells that the child runs the copy.
    int ready[2];
    ASSERT_EQ(::pipe2(ready, O_CLOEXEC), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        ::execl(program.c_str(), "sleep", "30", static_cast<char*>(nullptr));
        _exit(127);
    }
    // A failed fork's -1 would signal every process below.
    ASSERT_GT(pid, 0);
    ::close(ready[1]);
    char byte;
    EXPECT_EQ(::read(ready[0], &byte, 1), 0);
    ::close(ready[0]);

    EXPECT_EQ(DesktopProcessInfo().executablePath(pid), program.string());
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

TEST(DesktopProcessInfoTest, AnotherUsersProcessOrASystemServiceIsPartOfTheSystem) {
    const char* user = "0::/user.slice/user-1000.slice/user@1000.service/app.slice/app-remapd.scope\n";
    struct Case {
        const char* status;
        const char* cgroup;
        bool system;
    };
    const Case cases[] = {
        {"Name:\tremapd\nUid:\t1000\t1000\t1000\t1000\n", user, false},
        {"Name:\tkeyd\nUid:\t0\t0\t0\t0\n", user, true},
        {"Uid:\t1000\t1000\t1000\t1000\n", "0::/system.slice/input-remapper.service\n", true},
        {"Uid:\t1000\t1000\t1000\t1000\n", "12:pids:/user.slice\n1:name=systemd:/system.slice/x.service\n", true},
        {"Uid:\t1000\t1000\t1000\t1000\n", "0::/init.scope\n", true},
        // Without a user id only the cgroup speaks.
        {"Name:\tx\n", user, false},
    };
    for (const auto& c : cases) EXPECT_EQ(systemProcessFrom(c.status, c.cgroup, 1000), c.system) << c.status << c.cgroup;

    DesktopProcessInfo info;
    EXPECT_EQ(info.partOfSystem(0), true);
    EXPECT_EQ(info.partOfSystem(-1), false);
}

} // namespace
} // namespace corv::desktop
