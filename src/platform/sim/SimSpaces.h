#pragma once

#include "platform/Spaces.h"

#include <map>

namespace corv::sim {

// The window server's Spaces as data. Read from the main thread only.
class SimSpaces final : public platform::Spaces {
public:
    std::optional<std::string> bestManagedDisplayForPoint(platform::WindowServerConnection, platform::Point point) override {
        pointQueries.push_back(point);
        return bestDisplay;
    }
    std::optional<std::vector<platform::ManagedDisplay>> managedDisplaySpaces(platform::WindowServerConnection) override {
        return managed;
    }
    platform::SpaceId currentSpace(platform::WindowServerConnection, const std::string& displayIdentifier) override {
        auto it = current.find(displayIdentifier);
        return it == current.end() ? 0 : it->second;
    }
    std::optional<std::string> activeMenuBarDisplayIdentifier(platform::WindowServerConnection) override {
        return menuBarDisplay;
    }

    // One display with Spaces of the ids, the current one given; it is the
    // best display for every point.
    void setSpaces(const std::string& uuid, const std::vector<platform::SpaceId>& ids, platform::SpaceId currentId) {
        std::vector<platform::ManagedSpace> spaces;
        for (auto id : ids) spaces.push_back(platform::ManagedSpace{id});
        managed = std::vector<platform::ManagedDisplay>{platform::ManagedDisplay{uuid, spaces}};
        current = {{uuid, currentId}};
        bestDisplay = uuid;
    }

    std::optional<std::string> bestDisplay;
    std::optional<std::vector<platform::ManagedDisplay>> managed;
    std::map<std::string, platform::SpaceId> current;
    std::optional<std::string> menuBarDisplay;
    std::vector<platform::Point> pointQueries;
};

} // namespace corv::sim
