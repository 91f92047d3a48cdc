#pragma once

#include "platform/HidEventSystem.h"
#include "platform/desktop/input/DesktopInput.h"

#include <map>
#include <vector>

namespace corv::desktop {

// The keyboards' event nodes as HID services (usage page 1, usage 6) with
// their udev properties. A "UserKeyMapping" written to a service becomes the
// key remap of every event node of that keyboard model.
class DesktopHidEventSystem final : public platform::HidEventSystem {
public:
    explicit DesktopHidEventSystem(DesktopInput& input);

    platform::HidClient createClient() override;
    void setMatching(platform::HidClient client, const platform::HidPropertyDict& matching) override;
    void registerDeviceMatchingBlock(platform::HidClient client, platform::HidServiceBlock block) override;
    void scheduleWithMainQueue(platform::HidClient client) override;
    std::optional<std::vector<platform::HidService>> copyServices(platform::HidClient client) override;
    std::optional<platform::HidProperty> copyProperty(platform::HidService service, const std::string& key) override;
    bool setProperty(platform::HidService service, const std::string& key, const platform::HidProperty& value) override;
    void registerRemovalBlock(platform::HidService service, platform::HidServiceBlock block) override;

private:
    struct Client {
        platform::HidPropertyDict matching;
        platform::HidServiceBlock block;
        bool scheduled = false;
    };
    struct Service {
        std::string syspath;  // event node
        platform::HidPropertyDict properties;
        std::vector<platform::HidServiceBlock> removal;
    };
    void added(const InputNode& node);
    void removed(const InputNode& node);
    bool matches(const Service& service, const platform::HidPropertyDict& matching) const;

    DesktopInput& input_;
    std::map<platform::HidClient, Client> clients_;
    std::map<platform::HidService, Service> services_;  // in arrival order of their ids
    std::vector<platform::HidService> order_;
    platform::HidClient nextClient_ = 1;
};

// The evdev remap a "UserKeyMapping" value stands for; nothing when the value
// is not an array of source and destination pairs.
std::optional<std::map<std::uint16_t, std::uint16_t>> remapOfUserKeyMapping(const platform::HidProperty& value);

} // namespace corv::desktop
