#pragma once

// The workspace: running applications, and opening URLs and applications.

#include "platform/Url.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corv::platform {

enum class ActivationPolicy : std::int64_t { Regular = 0, Accessory = 1, Prohibited = 2 };

// A running application as the workspace describes it.
struct RunningApplication {
    std::int32_t pid = -1;
    std::optional<std::string> bundleIdentifier;
    std::optional<std::string> bundlePath;
    std::optional<std::string> localizedName;
    std::optional<std::string> executablePath;
    ActivationPolicy activationPolicy = ActivationPolicy::Regular;

    bool operator==(const RunningApplication&) const = default;
};

class Workspace {
public:
    virtual ~Workspace() = default;

    // Nothing when no application runs with that process id.
    virtual std::optional<RunningApplication> runningApplication(std::int32_t pid) = 0;
    // In the workspace's own order.
    virtual std::vector<RunningApplication> runningApplications() = 0;
    // Those of them with the bundle identifier, in the same order.
    virtual std::vector<RunningApplication> runningApplicationsWithBundleIdentifier(const std::string& id) {
        std::vector<RunningApplication> out;
        for (auto& app : runningApplications())
            if (app.bundleIdentifier == id) out.push_back(std::move(app));
        return out;
    }
    virtual bool isActive(std::int32_t pid) = 0;
    // Activates the application with itself as the source and no options.
    virtual bool activate(std::int32_t pid) = 0;

    // Opens a document or URL with its handler; false when it cannot.
    virtual bool openUrl(const Url& url) = 0;
    // Launches (or brings forward) the application at the URL with the
    // default configuration; does not wait.
    virtual void openApplication(const Url& applicationUrl) = 0;
    // The application that would open the URL; nothing when none would.
    virtual std::optional<Url> applicationToOpenUrl(const Url& url) = 0;
};

} // namespace corv::platform
