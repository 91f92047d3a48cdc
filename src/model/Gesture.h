#pragma once

// The kind and direction of a trackpad gesture.

#include "platform/PropertyList.h"

#include <array>
#include <cstdint>
#include <optional>

namespace corv {

enum class ActGes : std::int64_t { None = 0, Tap = 1, Click = 2, Click2 = 3, Swipe = 4, Rotate = 5, Zoom = 6 };

// Each direction pairs with its opposite at raw value 8 - d.
enum class ActDir : std::uint64_t { Down = 0, Left = 1, Pinch = 2, CW = 3, None = 4, CCW = 5, Spread = 6, Right = 7, Up = 8 };

inline constexpr std::array<ActGes, 7> kAllActGes{ActGes::None, ActGes::Tap,    ActGes::Click, ActGes::Click2,
                                                  ActGes::Swipe, ActGes::Rotate, ActGes::Zoom};
inline constexpr std::array<ActDir, 9> kAllActDir{ActDir::Down, ActDir::Left,   ActDir::Pinch, ActDir::CW,  ActDir::None,
                                                  ActDir::CCW,  ActDir::Spread, ActDir::Right, ActDir::Up};

std::optional<ActGes> actGesFromRaw(std::int64_t raw);
std::optional<ActDir> actDirFromRaw(std::int64_t raw);

constexpr std::int64_t raw(ActGes g) { return static_cast<std::int64_t>(g); }
constexpr std::uint64_t raw(ActDir d) { return static_cast<std::uint64_t>(d); }

constexpr ActDir opposite(ActDir d) { return static_cast<ActDir>(8 - raw(d)); }

// Rank of a direction in display order: Up, Down, Left, Right, Pinch, Spread, CW, CCW, None.
int displayRank(ActDir d);

// Gesture kinds order by raw value (the built-in enum order).
// Directions order by display rank.
bool operator<(ActDir a, ActDir b);
inline bool operator>(ActDir a, ActDir b) { return b < a; }
inline bool operator<=(ActDir a, ActDir b) { return !(b < a); }
inline bool operator>=(ActDir a, ActDir b) { return !(a < b); }

} // namespace corv

template <>
struct corv::plist::EnumTraits<corv::ActGes> {
    static std::optional<corv::ActGes> fromRaw(std::int64_t v) { return corv::actGesFromRaw(v); }
    static std::int64_t raw(corv::ActGes g) { return corv::raw(g); }
};

template <>
struct corv::plist::EnumTraits<corv::ActDir> {
    static std::optional<corv::ActDir> fromRaw(std::int64_t v) { return corv::actDirFromRaw(v); }
    static std::int64_t raw(corv::ActDir d) { return static_cast<std::int64_t>(corv::raw(d)); }
};
