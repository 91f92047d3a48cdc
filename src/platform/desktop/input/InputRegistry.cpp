#include "platform/desktop/input/InputRegistry.h"

namespace corv::desktop {

std::uint64_t InputRegistry::enter(const std::string& syspath) {
    auto [it, added] = ids_.emplace(syspath, next_);
    if (added) entries_[next_++].syspath = syspath;
    return it->second;
}

std::uint64_t InputRegistry::add(const InputNode& node) {
    // From the root down, so that each entry knows its parent.
    std::uint64_t parent = 0;
    for (auto it = node.ancestors.rbegin(); it != node.ancestors.rend(); ++it) {
        const std::uint64_t id = enter(*it);
        entries_.at(id).parent = parent;
        parent = id;
    }
    const std::string& deviceSyspath = node.hidSyspath.empty() ? node.inputSyspath : node.hidSyspath;
    if (deviceSyspath.empty()) return 0;
    Entry& device = entries_.at(enter(deviceSyspath));
    device.hid = true;
    device.properties = {{"Product", node.productName},
                         {"Manufacturer", node.manufacturer},
                         {"VendorID", std::int64_t{node.vendor}},
                         {"ProductID", std::int64_t{node.product}},
                         {"Transport", node.transport}};
    if (node.manufacturer.empty()) device.properties.erase("Manufacturer");
    if (node.inputSyspath.empty()) return 0;
    const std::uint64_t input = enter(node.inputSyspath);
    if (node.touchpad) touchpads_.insert(input);
    return input;
}

namespace {

std::vector<std::string> pathsOf(const InputNode& node) {
    std::vector<std::string> paths = node.ancestors;
    for (const std::string* p : {&node.hidSyspath, &node.inputSyspath})
        if (!p->empty()) paths.push_back(*p);
    return paths;
}

} // namespace

void InputRegistry::remove(const InputNode& node, const std::vector<InputNode>& present) {
    std::set<std::string> kept;
    for (const InputNode& other : present)
        if (other.syspath != node.syspath)
            for (auto& p : pathsOf(other)) kept.insert(p);
    for (const std::string& path : pathsOf(node)) {
        if (kept.count(path)) continue;
        auto it = ids_.find(path);
        if (it == ids_.end()) continue;
        entries_.erase(it->second);
        touchpads_.erase(it->second);
        ids_.erase(it);
    }
}

std::uint64_t InputRegistry::entryOf(const std::string& syspath) const {
    auto it = ids_.find(syspath);
    return it == ids_.end() ? 0 : it->second;
}

std::vector<std::uint64_t> InputRegistry::parents(std::uint64_t entry) const {
    auto it = entries_.find(entry);
    if (it == entries_.end() || it->second.parent == 0) return {};
    return {it->second.parent};
}

bool InputRegistry::isHidDevice(std::uint64_t entry) const {
    auto it = entries_.find(entry);
    return it != entries_.end() && it->second.hid;
}

std::optional<platform::RegistryValue> InputRegistry::property(std::uint64_t entry, const std::string& key) const {
    auto it = entries_.find(entry);
    if (it == entries_.end()) return std::nullopt;
    auto p = it->second.properties.find(key);
    if (p == it->second.properties.end()) return std::nullopt;
    return p->second;
}

} // namespace corv::desktop
