#include "logitech/Dongles.h"

#include "model/Shared.h"

namespace corv::logitech {

Dongles& Dongles::shared() { return Shared<Dongles>::instance(); }

std::optional<std::size_t> findDongleIndex(const DongleList& list, const platform::HidDeviceRef& device) {
    if (!device) return std::nullopt;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].valid && list[i].dev && list[i].dev == device) return i;
    return std::nullopt;
}

std::optional<std::size_t> findDongleIndex(const platform::HidDeviceRef& device) {
    return findDongleIndex(Dongles::shared().d(), device);
}

} // namespace corv::logitech
