#pragma once

#include "platform/Lifecycle.h"

#include <optional>
#include <vector>

namespace corv::sim {

// The application object as data. The first terminate request runs the
// delegate's `willTerminate`; alerts are logged and answered with
// `alertAnswer`.
class SimLifecycle final : public platform::Lifecycle {
public:
    void setHandlers(platform::LifecycleHandlers h) override { handlers = std::move(h); }
    void setActivationPolicy(platform::ActivationPolicy p) override { policy = p; }
    void terminate() override {
        ++terminateRequests;
        if (terminated) return;
        terminated = true;
        if (handlers.willTerminate) handlers.willTerminate();
    }
    void activateIgnoringOtherApps() override { ++activations; }
    int runAlert(const platform::Alert& alert) override {
        alerts.push_back(alert);
        return alertAnswer;
    }
    int askOtherCopiesToQuit() override {
        quitRequests += otherCopies;
        listening = true;
        return otherCopies;
    }
    void setLocalClickFilter(platform::ClickCountFilter f) override {
        clickFilter = std::move(f);
        ++clickFilterInstalls;
    }

    // Another application becomes active, or the program does.
    void resignActive() {
        if (handlers.willResignActive) handlers.willResignActive();
    }
    void becomeActive() {
        if (handlers.willBecomeActive) handlers.willBecomeActive();
    }

    platform::LifecycleHandlers handlers;
    std::optional<platform::ActivationPolicy> policy;
    int terminateRequests = 0;
    bool terminated = false;
    int activations = 0;
    std::vector<platform::Alert> alerts;
    int alertAnswer = platform::kAlertFirstButton;
    // Copies of the program running beside this one.
    int otherCopies = 0;
    int quitRequests = 0;
    bool listening = false;
    platform::ClickCountFilter clickFilter;
    int clickFilterInstalls = 0;
};

} // namespace corv::sim
