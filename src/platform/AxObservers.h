#pragma once

// The accessibility permission, and observers of another application's
// accessibility notifications.

#include "platform/Accessibility.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corv::platform {

using AxObserverId = std::uint64_t;

// Called on the main thread with the notification's name.
using AxNotificationCallback = std::function<void(const std::string& notification)>;

class AxObservers {
public:
    virtual ~AxObservers() = default;

    virtual bool isProcessTrusted() = 0;
    // The same question, letting the system prompt the user first.
    virtual bool isProcessTrustedWithPrompt() = 0;
    // What the process may not do yet, one line each, where the system can
    // tell; empty otherwise.
    virtual std::vector<std::string> missingPermissions() { return {}; }

    // Nothing when no observer can be made for the process.
    virtual std::optional<AxObserverId> createObserver(std::int32_t pid, AxNotificationCallback callback) = 0;
    virtual bool addNotification(AxObserverId observer, AXElement element, const std::string& notification) = 0;
    virtual bool removeNotification(AxObserverId observer, AXElement element, const std::string& notification) = 0;
    // Puts the observer's source on the main run loop, or takes it off.
    virtual void schedule(AxObserverId observer) = 0;
    virtual void unschedule(AxObserverId observer) = 0;
};

} // namespace corv::platform
