// The notification service on a private session bus, played by
// python3-dbusmock's notification_daemon template, which records its calls.

#include "platform/desktop/bus/DesktopUserNotifications.h"

#include "support/MockNotifications.h"
#include "support/PrivateBus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corv::desktop {
namespace {

using test::PrivateBus;
using test::spinUntil;

const QString kService = test::kNotificationService;
const QString kPath = test::kNotificationPath;

// One Notify call as the service saw it.
struct Notify {
    QString app;
    uint replacesId = 0;
    QString title;
    QString body;
    int timeout = 0;
    bool operator==(const Notify&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Notify& n) {
    return os << "{" << n.app.toStdString() << ", " << n.replacesId << ", " << n.title.toStdString() << ", "
              << n.body.toStdString() << ", " << n.timeout << "}";
}

class DesktopUserNotificationsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(bus.error(), "") << "the private bus is needed"; }

    void startService() { ASSERT_TRUE(bus.startTemplate("notification_daemon", kService)) << bus.error(); }

    std::vector<QVariantList> callsOf(const QString& method) {
        std::vector<QVariantList> out;
        for (const test::MockCall& call : test::mockCalls(bus, kService, kPath))
            if (call.method == method) out.push_back(call.args);
        return out;
    }

    std::vector<Notify> notifyCalls() {
        std::vector<Notify> out;
        for (const QVariantList& args : callsOf("Notify")) {
            if (args.size() < 8) continue;
            out.push_back({args[0].toString(), args[1].toUInt(), args[3].toString(), args[4].toString(), args[7].toInt()});
        }
        return out;
    }

    std::vector<Notify> waitForCalls(std::size_t count) {
        std::vector<Notify> calls;
        spinUntil([&] { return (calls = notifyCalls()).size() >= count; });
        spinUntil([] { return false; }, 150);
        return notifyCalls();
    }

    PrivateBus bus{PrivateBus::Kind::Session};
    std::vector<std::string> log;
    DesktopUserNotifications notifications{bus.address(), [this](const std::string& line) { log.push_back(line); }};
};

TEST_F(DesktopUserNotificationsTest, ANoticeReplacesTheOneShownUnderItsIdentifier) {
    startService();
    const std::string low10 = "K850: battery 10% \u2757\uFE0F";
    const std::string low9 = "K850: battery 9% \u2757\uFE0F";
    notifications.post("Kx", "Corvadine", low10);
    EXPECT_EQ(waitForCalls(1), (std::vector<Notify>{{"Corvadine", 0, "Corvadine", QString::fromStdString(low10), -1}}));

    // The service named the first notice 1; the next one under "Kx" replaces it.
    notifications.post("Kx", "Corvadine", low9);
    EXPECT_EQ(waitForCalls(2), (std::vector<Notify>{{"Corvadine", 0, "Corvadine", QString::fromStdString(low10), -1},
                                                    {"Corvadine", 1, "Corvadine", QString::fromStdString(low9), -1}}));
    EXPECT_TRUE(log.empty());
}

TEST_F(DesktopUserNotificationsTest, NoticesPostedBeforeTheServiceAnswersStillReplace) {
    startService();
    notifications.post("Kx", "Corvadine", "a");
    notifications.post("Kx", "Corvadine", "b");
    notifications.post("Kx", "Corvadine", "c");  // b is never shown: c takes its place
    notifications.post("other", "Corvadine", "d");
    auto calls = waitForCalls(3);
    ASSERT_EQ(calls.size(), 3u);
    // The first two go out at once; c waits for a's id.
    EXPECT_EQ(calls[0], (Notify{"Corvadine", 0, "Corvadine", "a", -1}));
    EXPECT_EQ(calls[1], (Notify{"Corvadine", 0, "Corvadine", "d", -1}));
    EXPECT_EQ(calls[2], (Notify{"Corvadine", 1, "Corvadine", "c", -1}));
}

TEST_F(DesktopUserNotificationsTest, AWithdrawnNoticeIsClosedAlsoWhenWithdrawnBeforeTheServiceNamedIt) {
    startService();
    notifications.post("early", "Corvadine", "a");
    notifications.withdraw("early");  // before the service names it 1
    notifications.post("late", "Corvadine", "b");
    waitForCalls(2);
    notifications.withdraw("late");
    notifications.withdraw("never posted");
    std::vector<uint> closed;
    spinUntil([&] {
        closed.clear();
        for (const QVariantList& args : callsOf("CloseNotification")) closed.push_back(args.value(0).toUInt());
        return closed.size() >= 2;
    });
    EXPECT_EQ(closed, (std::vector<uint>{1, 2}));
}

TEST_F(DesktopUserNotificationsTest, WithoutAServiceEachNoticeIsLoggedOnce) {
    notifications.post("Kx", "Corvadine", "K850: battery 10%");
    spinUntil([&] { return !log.empty(); });
    notifications.post("Kx", "Corvadine", "K850: battery 9%");
    spinUntil([&] { return log.size() >= 2; });
    spinUntil([] { return false; }, 150);
    EXPECT_EQ(log, (std::vector<std::string>{"corvadine: no notification service: Corvadine: K850: battery 10%",
                                             "corvadine: no notification service: Corvadine: K850: battery 9%"}));

    std::vector<std::string> unreachableLog;
    DesktopUserNotifications unreachable("unix:path=/nonexistent/corv-test-bus",
                                         [&](const std::string& line) { unreachableLog.push_back(line); });
    unreachable.post("Kx", "Corvadine", "low");
    EXPECT_EQ(unreachableLog, std::vector<std::string>{"corvadine: no notification service: Corvadine: low"});
}

} // namespace
} // namespace corv::desktop
