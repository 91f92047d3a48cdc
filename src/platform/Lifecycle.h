#pragma once

// The application object's life: its activation policy and activation, the
// end of the process, modal alerts, the other running copies of the program
// and the clicks inside its own windows.

#include "platform/Workspace.h"

#include <functional>
#include <string>
#include <vector>

namespace corv::platform {

// What the application tells its delegate; each runs on the main thread.
struct LifecycleHandlers {
    // Once, before the process ends normally.
    std::function<void()> willTerminate;
    // Another application is about to become active.
    std::function<void()> willResignActive;
    // The program is about to become active.
    std::function<void()> willBecomeActive;
};

// A modal alert; the answer is 1000 for the first button, 1001 for the second
// and so on.
struct Alert {
    std::string message;
    std::string informative;
    std::vector<std::string> buttons;
};

inline constexpr int kAlertFirstButton = 1000;

// Turns the click count of a left mouse down or up inside the program's own
// windows into the click count to deliver.
using ClickCountFilter = std::function<int(int clickCount)>;

class Lifecycle {
public:
    virtual ~Lifecycle() = default;

    virtual void setHandlers(LifecycleHandlers handlers) = 0;
    virtual void setActivationPolicy(ActivationPolicy policy) = 0;
    // Asks the application to end; `willTerminate` runs before it does.
    virtual void terminate() = 0;
    // Makes the program active, whatever application is active now.
    virtual void activateIgnoringOtherApps() = 0;
    // Runs the alert to its end.
    virtual int runAlert(const Alert& alert) = 0;

    // Politely asks every other running copy of the program to end, without
    // waiting; returns how many were asked. From then on this copy is the one
    // that later copies ask.
    virtual int askOtherCopiesToQuit() = 0;

    // Installs the filter for the clicks in the program's own windows.
    virtual void setLocalClickFilter(ClickCountFilter filter) = 0;
};

} // namespace corv::platform
