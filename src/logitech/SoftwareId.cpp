#include "logitech/SoftwareId.h"

#include "model/Shared.h"

namespace corv::logitech {

HidppSoftwareId& HidppSoftwareId::shared() { return Shared<HidppSoftwareId>::instance(); }

std::uint8_t HidppSoftwareId::next() {
    std::uint8_t current = last.load(std::memory_order_relaxed);
    std::uint8_t id;
    do {
        const unsigned n = (current + 1u) & 0x0F;
        id = n < kFirstSoftwareId ? kFirstSoftwareId : static_cast<std::uint8_t>(n);
    } while (!last.compare_exchange_weak(current, id, std::memory_order_relaxed));
    return id;
}

} // namespace corv::logitech
