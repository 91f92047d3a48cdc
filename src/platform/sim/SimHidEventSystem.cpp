#include "platform/sim/SimHidEventSystem.h"

#include "platform/sim/TakeFront.h"

#include <algorithm>
#include <thread>

namespace corv::sim {

using platform::HidPropertyDict;
using platform::HidService;
using platform::HidProperty;

SimHidEventSystem::SimHidEventSystem(SimRunLoop& loop) : loop_(loop), mainThread_(std::this_thread::get_id()) {}

platform::HidClient SimHidEventSystem::createClient() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (failCreateClient) return 0;
    const platform::HidClient id = nextClient_++;
    clients_[id];
    return id;
}

void SimHidEventSystem::setMatching(platform::HidClient client, const HidPropertyDict& matching) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto it = clients_.find(client); it != clients_.end()) it->second.matching = matching;
}

void SimHidEventSystem::registerDeviceMatchingBlock(platform::HidClient client, platform::HidServiceBlock block) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto it = clients_.find(client); it != clients_.end()) it->second.block = std::move(block);
}

void SimHidEventSystem::scheduleWithMainQueue(platform::HidClient client) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = clients_.find(client);
    if (it == clients_.end()) return;
    it->second.scheduled = true;
    if (journal) {
        std::string call = "hid client";
        for (const auto& [key, value] : it->second.matching)
            call += " " + key + "=" + (value.integer() ? std::to_string(*value.integer()) : "?");
        journal->note(call);
    }
}

std::optional<std::vector<HidService>> SimHidEventSystem::copyServices(platform::HidClient client) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = clients_.find(client);
    if (failCopyServices || it == clients_.end()) return std::nullopt;
    std::vector<HidService> list;
    for (const auto& [id, s] : services_)
        if (s.present && matches(it->second.matching, s.properties)) list.push_back(id);
    return list;
}

std::optional<HidProperty> SimHidEventSystem::copyProperty(HidService service, const std::string& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = services_.find(service);
    if (it == services_.end()) return std::nullopt;
    auto p = it->second.properties.find(key);
    if (p == it->second.properties.end()) return std::nullopt;
    return p->second;
}

bool SimHidEventSystem::setProperty(HidService service, const std::string& key, const HidProperty& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    writes.push_back(Write{service, key, value, std::this_thread::get_id() == mainThread_});
    auto it = services_.find(service);
    if (it == services_.end() || !it->second.present) return false;
    it->second.properties[key] = value;
    return true;
}

void SimHidEventSystem::registerRemovalBlock(HidService service, platform::HidServiceBlock block) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto it = services_.find(service); it != services_.end())
        it->second.removalBlocks.push_back(std::move(block));
}

HidService SimHidEventSystem::addService(HidPropertyDict properties) {
    std::vector<platform::HidServiceBlock> announce;
    HidService id;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        id = nextService_++;
        services_[id].properties = std::move(properties);
        for (const auto& [cid, c] : clients_)
            if (c.scheduled && c.block && matches(c.matching, services_[id].properties)) announce.push_back(c.block);
    }
    for (auto& block : announce) loop_.post([block, id] { block(id); });
    return id;
}

void SimHidEventSystem::removeService(HidService service) {
    std::vector<platform::HidServiceBlock> blocks;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = services_.find(service);
        if (it == services_.end() || !it->second.present) return;
        it->second.present = false;
        blocks = it->second.removalBlocks;
    }
    for (auto& block : blocks) loop_.post([block, service] { block(service); });
}

SimHidEventSystem::Write SimHidEventSystem::takeWrite() {
    std::lock_guard<std::mutex> lock(mutex_);
    return takeFront(writes, "the HID property writes");
}

std::size_t SimHidEventSystem::removalBlockCount(HidService service) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = services_.find(service);
    return it == services_.end() ? 0 : it->second.removalBlocks.size();
}

bool SimHidEventSystem::scheduled(platform::HidClient client) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = clients_.find(client);
    return it != clients_.end() && it->second.scheduled;
}

HidPropertyDict SimHidEventSystem::matchingOf(platform::HidClient client) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = clients_.find(client);
    return it == clients_.end() ? HidPropertyDict{} : it->second.matching;
}

bool SimHidEventSystem::matches(const HidPropertyDict& matching, const HidPropertyDict& properties) const {
    auto page = matching.find("DeviceUsagePage");
    auto usage = matching.find("DeviceUsage");
    if (page != matching.end() && usage != matching.end()) {
        bool found = false;
        if (auto pairs = properties.find("DeviceUsagePairs"); pairs != properties.end() && pairs->second.array()) {
            for (const HidProperty& pair : *pairs->second.array()) {
                const HidPropertyDict* d = pair.dict();
                if (!d) continue;
                auto p = d->find("DeviceUsagePage");
                auto u = d->find("DeviceUsage");
                if (p != d->end() && u != d->end() && p->second == page->second && u->second == usage->second)
                    found = true;
            }
        }
        auto pp = properties.find("PrimaryUsagePage");
        auto pu = properties.find("PrimaryUsage");
        if (pp != properties.end() && pu != properties.end() && pp->second == page->second &&
            pu->second == usage->second)
            found = true;
        if (!found) return false;
    }
    for (const auto& [key, value] : matching) {
        if (key == "DeviceUsagePage" || key == "DeviceUsage") continue;
        auto p = properties.find(key);
        if (p == properties.end() || !(p->second == value)) return false;
    }
    return true;
}

} // namespace corv::sim
