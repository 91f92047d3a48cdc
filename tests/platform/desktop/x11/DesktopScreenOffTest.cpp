#include "engine/ActionExecutor.h"
#include "model/ActionTable.h"
#include "model/Shared.h"
#include "platform/desktop/x11/DesktopDisplays.h"
#include "platform/desktop/x11/X11Session.h"
#include "platform/sim/SimPlatform.h"

#include <gtest/gtest.h>

#include <mutex>

// Xlib's macros last: they clash with names in the headers above. GCC 12
// misreads the display name's concatenation once inlined here.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
#include "support/XServer.h"
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <X11/extensions/dpms.h>

// libXext's DPMS calls, taken over in the test program since Xvfb has no
// DPMS: they answer as a server with DPMS while `dpmsPresent`, and record the
// requests to enable and force either way.
namespace {
std::mutex dpmsMutex;
bool dpmsPresent = false;
std::string dpmsDisplay;
int dpmsEnables = 0;
std::vector<int> dpmsLevels;
} // namespace

Bool DPMSQueryExtension(Display*, int* event, int* error) {
    std::lock_guard lock(dpmsMutex);
    *event = *error = 0;
    return dpmsPresent;
}
Bool DPMSCapable(Display*) {
    std::lock_guard lock(dpmsMutex);
    return dpmsPresent;
}
Status DPMSEnable(Display* display) {
    std::lock_guard lock(dpmsMutex);
    dpmsDisplay = DisplayString(display);
    ++dpmsEnables;
    return dpmsPresent;
}
Status DPMSForceLevel(Display* display, CARD16 level) {
    std::lock_guard lock(dpmsMutex);
    dpmsDisplay = DisplayString(display);
    dpmsLevels.push_back(level);
    return dpmsPresent;
}

namespace corv::desktop {
namespace {

class DesktopScreenOff : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new test::XServer; }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    static inline test::XServer* server = nullptr;
};

// "Screen Off" pressed as a binding presses it, on a private X server.
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
    for (const Row& row : {Row{false, 0, {}}, Row{true, 1, {DPMSModeOff}}}) {
        {
            std::lock_guard lock(dpmsMutex);
            dpmsPresent = row.dpms;
            dpmsDisplay.clear();
            dpmsEnables = 0;
            dpmsLevels.clear();
        }
        engine::performAction(ActionId::ScreenOff, false, 0, std::nullopt);
        std::lock_guard lock(dpmsMutex);
        EXPECT_EQ(dpmsEnables, row.enables) << row.dpms;
        EXPECT_EQ(dpmsLevels, row.levels) << row.dpms;
        if (row.dpms) {
            EXPECT_EQ(dpmsDisplay, server->name());
        }
    }
    resetShared();
}

} // namespace
} // namespace corv::desktop
