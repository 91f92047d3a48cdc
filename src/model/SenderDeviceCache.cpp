#include "model/SenderDeviceCache.h"

#include "model/Shared.h"

#include <utility>

namespace corv {

SenderDeviceCache& SenderDeviceCache::shared() { return Shared<SenderDeviceCache>::instance(); }

std::optional<DeviceName> SenderDeviceCache::find(std::int64_t registryId) const {
    auto it = names_.find(registryId);
    if (it == names_.end()) return std::nullopt;
    return it->second;
}

void SenderDeviceCache::store(std::int64_t registryId, DeviceName name) {
    names_.insert_or_assign(registryId, std::move(name));
}

} // namespace corv
