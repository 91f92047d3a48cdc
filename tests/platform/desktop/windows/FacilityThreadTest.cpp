// sway's IPC and wlroots' foreign-toplevel protocol reached through a relay
// of the test's: a compositor that restarts, or a message that is broken or
// too long, leaves the facility blind for a moment, said once on standard
// error, and never for good; commands then reach the compositor again. A
// sway that reloads its configuration keeps the connection.

#include "platform/desktop/DesktopRunLoop.h"
#include "platform/desktop/windows/SwayWindows.h"
#include "platform/desktop/windows/WlrToplevels.h"

#include "support/HeadlessCompositor.h"
#include "support/SocketRelay.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include <fcntl.h>
#include <unistd.h>

namespace corv::desktop {
namespace {

using test::HeadlessCompositor;
using test::spinUntil;

// Standard error into a file while it lives; the lines that hold a text.
struct StderrCapture {
    explicit StderrCapture(const QString& file) : file(file.toStdString()), saved(::dup(2)) {
        const int fd = ::open(this->file.c_str(), O_CREAT | O_WRONLY | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(fd, 2), ::close(fd);
    }
    ~StderrCapture() { ::dup2(saved, 2), ::close(saved); }
    int count(const std::string& text) const {
        std::ifstream in(file);
        int n = 0;
        for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
        return n;
    }
    std::string file;
    int saved;
};

enum class Fault { Garbage, Oversized, Restart, Reload };

std::string words(std::initializer_list<std::uint32_t> values) {
    std::string out;
    for (std::uint32_t v : values) out.append(reinterpret_cast<const char*>(&v), 4);
    return out;
}

// What the compositor could never send: for sway a header that is no
// i3-ipc one, or a payload of 2 GiB announced; for Wayland an event the
// display object does not have.
std::string broken(bool wlr, Fault fault) {
    if (wlr) return words({1, 8u << 16 | 7});
    if (fault == Fault::Oversized) return "i3-ipc" + words({0x7fffffffu, 0x80000003u});
    return "not a message of sway's at all";
}

TEST(FacilityThread, AFacilityConnectsAgainAfterABrokenMessageOrARestartAndSaysOnceThatItIsBlind) {
    const struct {
        const char* facility;
        Fault fault;
    } rows[] = {
        {"sway", Fault::Garbage},       {"sway", Fault::Oversized},     {"sway", Fault::Restart}, {"sway", Fault::Reload},
        {"wlr-toplevels", Fault::Garbage}, {"wlr-toplevels", Fault::Restart},
    };
    for (const auto& row : rows) {
        const bool wlr = std::string(row.facility) != "sway";
        SCOPED_TRACE(std::string(row.facility) + " fault " + std::to_string(static_cast<int>(row.fault)));
        auto sway = std::make_unique<HeadlessCompositor>(HeadlessCompositor::Kind::Sway);
        ASSERT_EQ(sway->error(), "");
        ASSERT_GT(sway->startClient("corv-test-a"), 0);
        QTemporaryDir dir;
        test::SocketRelay relay(dir.filePath("relay"), wlr ? sway->waylandDisplay() : sway->swaySocket());
        StderrCapture said(dir.filePath("stderr"));
        DesktopRunLoop loop;
        std::unique_ptr<CompositorWindows> windows;
        if (wlr) windows = WlrToplevels::open(loop, relay.path().toStdString());
        else windows = SwayWindows::open(loop, relay.path().toStdString());
        ASSERT_TRUE(windows);
        const auto shows = [&](const char* appId) {
            const auto list = windows->windows().windows;
            return list.size() == 1 && list.front().appId == appId;
        };
        ASSERT_TRUE(spinUntil([&] { return shows("corv-test-a"); }));
        const int connections = relay.connections();

        const char* expected = "corv-test-a";
        if (row.fault == Fault::Garbage || row.fault == Fault::Oversized) relay.inject(broken(wlr, row.fault));
        // A reload keeps the connection.
        if (row.fault == Fault::Reload) {
            ASSERT_TRUE(sway->reloadSway());
        }
        if (row.fault == Fault::Restart) {
            sway.reset();
            // Blind while no compositor answers: the application in front is unknown.
            EXPECT_TRUE(spinUntil([&] { return windows->windows().windows.empty(); }));
            sway = std::make_unique<HeadlessCompositor>(HeadlessCompositor::Kind::Sway);
            ASSERT_EQ(sway->error(), "");
            ASSERT_GT(sway->startClient("corv-test-b"), 0);
            relay.retarget(wlr ? sway->waylandDisplay() : sway->swaySocket());
            expected = "corv-test-b";
        }
        const bool kept = row.fault == Fault::Reload;
        EXPECT_TRUE(spinUntil([&] { return (kept || relay.connections() > connections) && shows(expected); }))
            << relay.connections() << " connections";
        EXPECT_EQ(said.count(std::string("corvadine: ") + row.facility + " does not answer"), kept ? 0 : 1);
        // Commands reach the compositor connected again.
        const CompositorWindowId id = windows->windows().windows.front().id;
        EXPECT_TRUE(windows->setFullScreen(id, true));
        EXPECT_TRUE(spinUntil([&] { return sway->fullScreen(expected) == true; }));
    }
}

} // namespace
} // namespace corv::desktop
