#include "platform/desktop/input/DesktopHidEventSystem.h"

#include "platform/desktop/input/EvdevKeyMap.h"
#include "platform/desktop/hid/HidReportDescriptor.h"

#include <algorithm>

namespace corv::desktop {

using platform::HidProperty;
using platform::HidPropertyArray;
using platform::HidPropertyDict;

namespace {

HidPropertyDict usagePair(std::uint32_t page, std::uint32_t usage) {
    HidPropertyDict pair;
    pair["DeviceUsagePage"] = HidProperty(std::int64_t{page});
    pair["DeviceUsage"] = HidProperty(std::int64_t{usage});
    return pair;
}

HidPropertyDict propertiesOf(const InputNode& node) {
    HidPropertyArray pairs;
    const HidProperty keyboard(usagePair(1, 6));
    for (const auto& u : summarizeHidDescriptor(node.reportDescriptor).topLevel)
        pairs.emplace_back(usagePair(u.page, u.usage));
    // udev calls it a keyboard whatever else its descriptor holds.
    if (std::find(pairs.begin(), pairs.end(), keyboard) == pairs.end()) pairs.insert(pairs.begin(), keyboard);
    HidPropertyDict p;
    p["Product"] = HidProperty(node.productName);
    p["VendorID"] = HidProperty(std::int64_t{node.vendor});
    p["ProductID"] = HidProperty(std::int64_t{node.product});
    p["Transport"] = HidProperty(node.transport);
    p["PrimaryUsagePage"] = HidProperty(1);
    p["PrimaryUsage"] = HidProperty(6);
    p["DeviceUsagePairs"] = HidProperty(std::move(pairs));
    if (!node.manufacturer.empty()) p["Manufacturer"] = HidProperty(node.manufacturer);
    if (!node.reportDescriptor.empty())
        p["ReportDescriptor"] = HidProperty(Bytes(node.reportDescriptor.begin(), node.reportDescriptor.end()));
    return p;
}

bool sameModel(const HidPropertyDict& a, const HidPropertyDict& b) {
    for (const char* key : {"Product", "VendorID", "ProductID"})
        if (a.at(key) != b.at(key)) return false;
    return true;
}

} // namespace

std::optional<std::map<std::uint16_t, std::uint16_t>> remapOfUserKeyMapping(const HidProperty& value) {
    const auto* entries = value.array();
    if (!entries) return std::nullopt;
    std::map<std::uint16_t, std::uint16_t> remap;
    for (const auto& entry : *entries) {
        const auto* d = entry.dict();
        if (!d) return std::nullopt;
        auto src = d->find("HIDKeyboardModifierMappingSrc");
        auto dst = d->find("HIDKeyboardModifierMappingDst");
        if (src == d->end() || dst == d->end() || !src->second.integer() || !dst->second.integer()) return std::nullopt;
        auto from = evdevOfHidUsage(static_cast<std::uint64_t>(*src->second.integer()));
        auto to = evdevOfHidUsage(static_cast<std::uint64_t>(*dst->second.integer()));
        // A key this desktop has no code for stays as it is; the first entry for a key holds.
        if (from && to) remap.emplace(*from, *to);
    }
    return remap;
}

DesktopHidEventSystem::DesktopHidEventSystem(DesktopInput& input) : input_(input) {
    for (const auto& node : input_.nodes()) added(node);
    input_.onNodeAdded = [this](const InputNode& node) { added(node); };
    input_.onNodeRemoved = [this](const InputNode& node) { removed(node); };
}

void DesktopHidEventSystem::added(const InputNode& node) {
    if (!node.keyboard) return;
    const platform::HidService id = input_.registry().entryOf(node.inputSyspath);
    if (id == 0 || services_.count(id)) return;
    services_[id] = Service{node.syspath, propertiesOf(node), {}};
    order_.push_back(id);
    for (auto& [cid, client] : clients_)
        if (client.scheduled && client.block && matches(services_[id], client.matching)) client.block(id);
}

void DesktopHidEventSystem::removed(const InputNode& node) {
    for (auto it = services_.begin(); it != services_.end(); ++it) {
        if (it->second.syspath != node.syspath) continue;
        const platform::HidService id = it->first;
        auto blocks = std::move(it->second.removal);
        services_.erase(it);
        std::erase(order_, id);
        for (auto& block : blocks) block(id);
        return;
    }
}

bool DesktopHidEventSystem::matches(const Service& service, const HidPropertyDict& matching) const {
    const HidPropertyArray& pairs = *service.properties.at("DeviceUsagePairs").array();
    HidPropertyDict usage;
    for (const auto& [key, value] : matching) {
        if (key == "DeviceUsagePage" || key == "DeviceUsage") {
            usage[key] = value;
            continue;
        }
        auto p = service.properties.find(key);
        if (p == service.properties.end() || !(p->second == value)) return false;
    }
    if (usage.empty()) return true;
    return std::any_of(pairs.begin(), pairs.end(), [&](const HidProperty& pair) {
        for (const auto& [key, value] : usage)
            if (!(pair.dict()->at(key) == value)) return false;
        return true;
    });
}

platform::HidClient DesktopHidEventSystem::createClient() {
    const platform::HidClient id = nextClient_++;
    clients_[id];
    return id;
}

void DesktopHidEventSystem::setMatching(platform::HidClient client, const HidPropertyDict& matching) {
    if (auto it = clients_.find(client); it != clients_.end()) it->second.matching = matching;
}

void DesktopHidEventSystem::registerDeviceMatchingBlock(platform::HidClient client, platform::HidServiceBlock block) {
    if (auto it = clients_.find(client); it != clients_.end()) it->second.block = std::move(block);
}

void DesktopHidEventSystem::scheduleWithMainQueue(platform::HidClient client) {
    if (auto it = clients_.find(client); it != clients_.end()) it->second.scheduled = true;
}

std::optional<std::vector<platform::HidService>> DesktopHidEventSystem::copyServices(platform::HidClient client) {
    auto it = clients_.find(client);
    if (it == clients_.end()) return std::nullopt;
    std::vector<platform::HidService> out;
    for (auto id : order_)
        if (matches(services_.at(id), it->second.matching)) out.push_back(id);
    return out;
}

std::optional<HidProperty> DesktopHidEventSystem::copyProperty(platform::HidService service, const std::string& key) {
    auto it = services_.find(service);
    if (it == services_.end()) return std::nullopt;
    auto p = it->second.properties.find(key);
    if (p == it->second.properties.end()) return std::nullopt;
    return p->second;
}

bool DesktopHidEventSystem::setProperty(platform::HidService service, const std::string& key,
                                        const HidProperty& value) {
    auto it = services_.find(service);
    if (it == services_.end() || key != "UserKeyMapping") return false;
    auto remap = remapOfUserKeyMapping(value);
    if (!remap) return false;
    // Every event node of the keyboard model: the key that is mapped may sit on any of them.
    for (auto& [id, s] : services_) {
        if (!sameModel(s.properties, it->second.properties)) continue;
        s.properties[key] = value;
        input_.setRemap(s.syspath, *remap);
    }
    return true;
}

void DesktopHidEventSystem::registerRemovalBlock(platform::HidService service, platform::HidServiceBlock block) {
    if (auto it = services_.find(service); it != services_.end()) it->second.removal.push_back(std::move(block));
}

} // namespace corv::desktop
