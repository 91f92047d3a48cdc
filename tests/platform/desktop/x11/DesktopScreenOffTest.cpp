#include "engine/ActionExecutor.h"
#include "model/ActionTable.h"
#include "model/Shared.h"
#include "platform/desktop/x11/DesktopDisplays.h"
#include "platform/desktop/x11/X11Session.h"
#include "platform/sim/SimPlatform.h"

#include <gtest/gtest.h>

// Xlib's macros last: they clash with names in the headers above.
#include "DpmsStub.h"
// GCC 12 misreads the display name's concatenation once inlined here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
#include "support/XServer.h"
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <X11/extensions/dpms.h>

namespace corv::desktop {
namespace {

// "Screen Off" pressed as a binding presses it, on a private X server whose
// DPMS is faked at libXext when the row says so.
class DesktopScreenOff : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new test::XServer; }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    static inline test::XServer* server = nullptr;
};

TEST_F(DesktopScreenOff, ForcesTheDisplayOffOnlyWhereTheServerHasDpms) {
    if (!server->error().empty()) GTEST_SKIP() << server->error();
    X11Session x11(server->name());
    ASSERT_TRUE(x11.connected());
    resetShared();
    sim::SimPlatform sim;
    DesktopDisplays displays(&x11);
    platform::Services services = platform::installedServices();
    services.displays = &displays;
    platform::install(services);

    struct Row {
        bool dpms;
        int enables;
        std::vector<int> levels;
    };
    // Xvfb itself has none: nothing is asked of it.
    for (const Row& row : {Row{false, 0, {}}, Row{true, 1, {DPMSModeOff}}}) {
        test::fakeDpms(row.dpms);
        engine::performAction(ActionId::ScreenOff, false, 0, std::nullopt);
        const test::DpmsRequests asked = test::dpmsRequests();
        EXPECT_EQ(asked.enables, row.enables) << row.dpms;
        EXPECT_EQ(asked.levels, row.levels) << row.dpms;
        if (row.dpms) {
            EXPECT_EQ(asked.display, server->name());
        }
    }
    test::fakeDpms(false);
    resetShared();
}

} // namespace
} // namespace corv::desktop
