#include "model/Gesture.h"

namespace corv {

std::optional<ActGes> actGesFromRaw(std::int64_t raw) {
    if (raw < 0 || raw > 6) return std::nullopt;
    return static_cast<ActGes>(raw);
}

std::optional<ActDir> actDirFromRaw(std::int64_t raw) {
    if (raw < 0 || raw > 8) return std::nullopt;
    return static_cast<ActDir>(raw);
}

int displayRank(ActDir d) {
    // Indexed by raw value: Down, Left, Pinch, CW, None, CCW, Spread, Right, Up.
    static constexpr std::array<int, 9> kRank{1, 2, 4, 6, 8, 7, 5, 3, 0};
    const auto r = raw(d);
    return r < kRank.size() ? kRank[r] : 8;
}

bool operator<(ActDir a, ActDir b) { return displayRank(a) < displayRank(b); }

} // namespace corv
