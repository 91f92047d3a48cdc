#include "platform/sim/SimWorkspace.h"

namespace corv::sim {

std::optional<platform::RunningApplication> SimWorkspace::runningApplication(std::int32_t pid) {
    for (const auto& a : apps)
        if (a.pid == pid) return a;
    return std::nullopt;
}

bool SimWorkspace::activate(std::int32_t pid) {
    activations.push_back(pid);
    if (!runningApplication(pid)) return false;
    activePid = pid;
    return true;
}

bool SimWorkspace::openUrl(const Url& url) {
    openedUrls.push_back(url);
    return !failOpen;
}

std::optional<Url> SimWorkspace::applicationToOpenUrl(const Url& url) {
    const std::string text = url.absoluteString();
    handlerQueries.push_back(text);
    auto it = handlers.find(text);
    if (it == handlers.end()) return std::nullopt;
    return it->second;
}

platform::RunningApplication& SimWorkspace::addApp(std::int32_t pid, const std::string& bundleId,
                                                   const std::string& name) {
    platform::RunningApplication a;
    a.pid = pid;
    a.bundleIdentifier = bundleId;
    a.bundlePath = "/Applications/" + name + ".app";
    a.localizedName = name;
    a.executablePath = "/Applications/" + name + ".app/Contents/MacOS/" + name;
    apps.push_back(a);
    return apps.back();
}

} // namespace corv::sim
