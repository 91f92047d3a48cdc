// logind on a private system bus, played by python3-dbusmock's template: the
// sleep delay lock is held while awake, let go once the sleep notice has
// been handled, and taken again at wake.

#include "platform/desktop/bus/DesktopWorkspaceNotes.h"

#include "support/PrivateBus.h"

#include <QDBusArgument>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corv::desktop {
namespace {

using platform::WorkspaceNote;
using test::spinUntil;

const QString kLogind = "org.freedesktop.login1";
const QString kManagerPath = "/org/freedesktop/login1";
const QString kManager = "org.freedesktop.login1.Manager";

class DesktopWorkspaceNotesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(bus.error(), "");
        ASSERT_TRUE(bus.startTemplate("logind", kLogind)) << bus.error();
    }
    // Each lock as "what/who/mode".
    std::vector<std::string> locks() {
        const QDBusMessage reply = bus.call(kLogind, kManagerPath, kManager, "ListInhibitors");
        std::vector<std::string> out;
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {"no answer"};
        const QDBusArgument list = reply.arguments().front().value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            QString what, who, why, mode;
            uint uid = 0, pid = 0;
            list.beginStructure();
            list >> what >> who >> why >> mode >> uid >> pid;
            list.endStructure();
            out.push_back((what + "/" + who + "/" + mode).toStdString());
        }
        list.endArray();
        return out;
    }
    void emitPrepareForSleep(bool start) {
        auto reply = bus.mock(kLogind, kManagerPath, "EmitSignal", {kManager, "PrepareForSleep", "b", QVariantList{start}});
        ASSERT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    }

    test::PrivateBus bus{test::PrivateBus::Kind::System};
};

TEST_F(DesktopWorkspaceNotesTest, SleepWaitsForTheSleepNoticeAndTheLockComesBackAtWake) {
    const std::vector<std::string> held{"sleep/Corvadine/delay"};
    DesktopWorkspaceNotes notes(bus.address());
    std::vector<std::vector<std::string>> seenAtSleep;
    int wakes = 0;
    notes.addObserver(WorkspaceNote::WillSleep, [&](const auto&) { seenAtSleep.push_back(locks()); });
    notes.addObserver(WorkspaceNote::DidWake, [&](const auto&) { ++wakes; });
    ASSERT_TRUE(spinUntil([&] { return locks() == held; })) << locks().size();

    emitPrepareForSleep(true);
    ASSERT_TRUE(spinUntil([&] { return !seenAtSleep.empty(); }));
    EXPECT_EQ(seenAtSleep.front(), held);
    EXPECT_TRUE(spinUntil([&] { return locks().empty(); }));

    emitPrepareForSleep(false);
    ASSERT_TRUE(spinUntil([&] { return wakes == 1; }));
    EXPECT_TRUE(spinUntil([&] { return locks() == held; }));
    spinUntil([] { return false; }, 200);
    EXPECT_EQ(locks(), held);
}

} // namespace
} // namespace corv::desktop
