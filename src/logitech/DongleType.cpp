#include "logitech/DongleType.h"

#include <algorithm>

namespace corv::logitech {

std::optional<DongleType> dongleTypeFromRaw(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<DongleType>(raw);
}

const std::vector<std::pair<DongleType, std::vector<std::uint16_t>>>& dongleProductIds() {
    static const std::vector<std::pair<DongleType, std::vector<std::uint16_t>>> table{
        {DongleType::Unifying, {0xC52B, 0xC532}},
        {DongleType::Bolt, {0xC548}},
        {DongleType::Lightspeed, {0xC539, 0xC53A, 0xC53D, 0xC53F, 0xC541, 0xC545, 0xC547, 0xC54D}},
    };
    return table;
}

std::optional<DongleType> dongleTypeForProduct(std::uint16_t productId) {
    for (DongleType t : {DongleType::Bolt, DongleType::Unifying, DongleType::Lightspeed}) {
        for (const auto& [type, ids] : dongleProductIds())
            if (type == t && std::find(ids.begin(), ids.end(), productId) != ids.end()) return t;
    }
    return std::nullopt;
}

} // namespace corv::logitech
