#pragma once

// The application delegate: the launch in its fixed order, the actions of
// the status items, activation, sleep, wake and termination. Main thread.

#include "model/SettingsStore.h"
#include "platform/StatusBar.h"

#include <functional>
#include <string_view>
#include <vector>

namespace corv::app {

inline constexpr double kUpdateCheckInterval = 86400;

class AppDelegate {
public:
    static AppDelegate& shared();
    // Becomes the application's delegate.
    AppDelegate();

    // Other copies asked to end, the click filter installed.
    void applicationWillFinishLaunching();
    // Starts every subsystem, in order.
    void applicationDidFinishLaunching();
    void applicationWillResignActive();
    void applicationWillBecomeActive();
    void applicationWillTerminate();

    // Menu and status-item actions.
    void quitClick();
    void restartClick();
    void micMute();

    std::vector<platform::MenuItem> menu;
    bool firstActivationPending = true;
    bool launched = false;
    bool terminationRequested = false;
    bool otherCopiesAsked = false;
    // What the launch's load did with a settings file named on the command line.
    SettingsLoad settingsLoad;
    // The settings could not be saved at termination.
    bool finalSaveFailed = false;

    // Told the name of each launch step as it begins, when set.
    std::function<void(std::string_view step)> stepObserver;

private:
    void step(std::string_view name);
};

// A double click inside the program's own windows reaches it as single clicks.
int collapseDoubleClick(int clickCount);
// Asks the other running copies to end; when there were any, shows the icon
// and answers true.
bool terminateOtherInstances();

} // namespace corv::app
