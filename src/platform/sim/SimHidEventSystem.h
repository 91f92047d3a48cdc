#pragma once

#include "platform/HidEventSystem.h"
#include "platform/sim/SimJournal.h"
#include "platform/sim/SimRunLoop.h"

#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace corv::sim {

// HID services as data, shared by every client. A client matches a service
// when each (usage page, usage) of its matching dictionary is one of the
// service's "DeviceUsagePairs" or its primary usage; other matching keys must
// equal the service's property. A service added while a scheduled client with
// a matching block matches it is announced to that block on a later turn of
// the main queue; removal blocks run the same way. Every property write is
// logged, from any thread; a write to a service that is gone is refused.
class SimHidEventSystem final : public platform::HidEventSystem {
public:
    struct Write {
        platform::HidService service;
        std::string key;
        platform::HidProperty value;
        bool onMainThread;
    };

    explicit SimHidEventSystem(SimRunLoop& loop);

    platform::HidClient createClient() override;
    void setMatching(platform::HidClient client, const platform::HidPropertyDict& matching) override;
    void registerDeviceMatchingBlock(platform::HidClient client, platform::HidServiceBlock block) override;
    void scheduleWithMainQueue(platform::HidClient client) override;
    std::optional<std::vector<platform::HidService>> copyServices(platform::HidClient client) override;
    std::optional<platform::HidProperty> copyProperty(platform::HidService service, const std::string& key) override;
    bool setProperty(platform::HidService service, const std::string& key, const platform::HidProperty& value) override;
    void registerRemovalBlock(platform::HidService service, platform::HidServiceBlock block) override;

    // A service that is there from now on.
    platform::HidService addService(platform::HidPropertyDict properties);
    // The service goes away; its removal blocks are queued.
    void removeService(platform::HidService service);

    Write takeWrite();
    std::size_t removalBlockCount(platform::HidService service) const;
    bool scheduled(platform::HidClient client) const;
    platform::HidPropertyDict matchingOf(platform::HidClient client) const;

    // Oldest first.
    std::deque<Write> writes;
    bool failCreateClient = false;
    SimJournal* journal = nullptr;  // set by SimPlatform
    bool failCopyServices = false;

private:
    struct Client {
        platform::HidPropertyDict matching;
        platform::HidServiceBlock block;
        bool scheduled = false;
    };
    struct Service {
        platform::HidPropertyDict properties;
        bool present = true;
        std::vector<platform::HidServiceBlock> removalBlocks;
    };

    bool matches(const platform::HidPropertyDict& matching, const platform::HidPropertyDict& properties) const;

    SimRunLoop& loop_;
    std::thread::id mainThread_;
    mutable std::mutex mutex_;
    std::map<platform::HidClient, Client> clients_;
    std::map<platform::HidService, Service> services_;
    platform::HidClient nextClient_ = 0xC100;
    platform::HidService nextService_ = 0x5E00;
};

} // namespace corv::sim
