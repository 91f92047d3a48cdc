#pragma once

#include "platform/AxObservers.h"

#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace corv::sim {

// The permission as two switches; observers as records whose notifications
// the test delivers with `notify`.
class SimAxObservers final : public platform::AxObservers {
public:
    struct Observer {
        std::int32_t pid = 0;
        platform::AxNotificationCallback callback;
        std::vector<std::string> notifications;
        platform::AXElement element;
        bool scheduled = false;
    };

    bool isProcessTrusted() override { return trusted; }
    bool isProcessTrustedWithPrompt() override {
        ++prompts;
        return trustedAfterPrompt;
    }
    std::optional<platform::AxObserverId> createObserver(std::int32_t pid,
                                                         platform::AxNotificationCallback callback) override {
        if (failCreate) return std::nullopt;
        const auto id = nextId_++;
        observers[id] = {pid, std::move(callback), {}, {}, false};
        return id;
    }
    bool addNotification(platform::AxObserverId id, platform::AXElement element, const std::string& n) override {
        if (failNotifications.count(n) || !observers.count(id)) return false;
        observers[id].element = element;
        observers[id].notifications.push_back(n);
        return true;
    }
    bool removeNotification(platform::AxObserverId id, platform::AXElement, const std::string& n) override {
        removed.push_back(n);
        if (!observers.count(id)) return false;
        auto& list = observers[id].notifications;
        std::erase(list, n);
        return true;
    }
    void schedule(platform::AxObserverId id) override {
        if (observers.count(id)) observers[id].scheduled = true;
    }
    void unschedule(platform::AxObserverId id) override {
        if (observers.count(id)) observers[id].scheduled = false;
    }

    // The process posts the notification: scheduled observers that added it hear it.
    void notify(std::int32_t pid, const std::string& n) {
        std::vector<platform::AxNotificationCallback> run;
        for (auto& [id, o] : observers)
            if (o.pid == pid && o.scheduled && std::find(o.notifications.begin(), o.notifications.end(), n) !=
                                                   o.notifications.end())
                run.push_back(o.callback);
        for (auto& c : run) c(n);
    }

    bool trusted = true;
    bool trustedAfterPrompt = false;
    int prompts = 0;
    bool failCreate = false;
    std::set<std::string> failNotifications;
    std::map<platform::AxObserverId, Observer> observers;
    std::vector<std::string> removed;

private:
    platform::AxObserverId nextId_ = 1;
};

} // namespace corv::sim
