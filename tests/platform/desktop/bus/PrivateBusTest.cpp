// The processes of a private bus end with the test that started them, even a
// test that crashes.

#include "support/PrivateBus.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace corv::test {
namespace {

// Ended, or ended and not yet reaped.
bool ended(qint64 pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const auto close = line.rfind(')');
    return close != std::string::npos && line.size() > close + 2 && line[close + 2] == 'Z';
}

TEST(PrivateBus, ItsProcessesEndWithATestThatCrashes) {
    if (qEnvironmentVariableIsSet("CORV_CRASH_WITH_BUS")) {
        PrivateBus bus(PrivateBus::Kind::Session);
        ASSERT_EQ(bus.error(), "");
        ASSERT_TRUE(bus.startTemplate("notification_daemon", "org.freedesktop.Notifications")) << bus.error();
        for (qint64 pid : bus.processIds()) std::printf("pid %lld\n", static_cast<long long>(pid));
        std::fflush(stdout);
        std::_Exit(3);  // as a crash would: no destructor runs
    }

    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CORV_CRASH_WITH_BUS", "1");
    child.setProcessEnvironment(env);
    endWithThisProcess(child);
    child.start(QCoreApplication::applicationFilePath(),
                {QString("--gtest_filter=%1.%2").arg(info->test_suite_name(), info->name())});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 3);

    std::vector<qint64> pids;
    std::istringstream out(child.readAllStandardOutput().toStdString());
    for (std::string word; out >> word;)
        if (word == "pid") {
            long long pid = 0;
            if (out >> pid) pids.push_back(pid);
        }
    ASSERT_EQ(pids.size(), 2u);  // the daemon and the mock
    const bool allEnded = spinUntil([&] {
        for (qint64 pid : pids)
            if (!ended(pid)) return false;
        return true;
    });
    for (qint64 pid : pids)
        if (!ended(pid)) signalProcess(pid, SIGKILL);
    EXPECT_TRUE(allEnded);
}

} // namespace
} // namespace corv::test
