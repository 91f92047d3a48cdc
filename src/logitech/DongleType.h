#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace corv::logitech {

inline constexpr std::uint16_t kLogitechVendorId = 0x046D;

enum class DongleType : int { Unifying = 0, Bolt = 1, Lightspeed = 2 };

// The case for 0 to 2, nothing otherwise.
std::optional<DongleType> dongleTypeFromRaw(int raw);

// Receiver kind -> its USB product ids.
const std::vector<std::pair<DongleType, std::vector<std::uint16_t>>>& dongleProductIds();

// The kind of a receiver product id, rows tried Bolt, Unifying, Lightspeed;
// nothing for another product.
std::optional<DongleType> dongleTypeForProduct(std::uint16_t productId);

} // namespace corv::logitech
