#include "model/ImplicitKeyFlags.h"

#include <array>

namespace corv {

namespace {

constexpr std::uint64_t kFn = 0x800100;
constexpr std::uint64_t kFnNumPad = 0xA00100;
constexpr std::uint64_t kNumPad = 0x200100;

// Function and navigation keys.
constexpr std::array<std::uint16_t, 30> kFnKeys{114, 117, 115, 119, 116, 121, 122, 120, 99, 118,
                                                96,  97,  98,  100, 101, 109, 103, 111, 105, 107,
                                                113, 106, 64,  79,  80,  90,  160, 176, 177, 178};
// The arrows and keypad Clear.
constexpr std::array<std::uint16_t, 5> kFnNumPadKeys{124, 123, 125, 126, 71};
// The other keypad keys.
constexpr std::array<std::uint16_t, 17> kNumPadKeys{65, 67, 69, 75, 76, 78, 81, 82, 83,
                                                    84, 85, 86, 87, 88, 89, 91, 92};

} // namespace

const std::unordered_map<std::uint16_t, std::uint64_t>& implicitKeyFlags() {
    static const auto table = [] {
        std::unordered_map<std::uint16_t, std::uint64_t> m;
        m.reserve(kFnKeys.size() + kFnNumPadKeys.size() + kNumPadKeys.size());
        for (auto k : kFnKeys) m.emplace(k, kFn);
        for (auto k : kFnNumPadKeys) m.emplace(k, kFnNumPad);
        for (auto k : kNumPadKeys) m.emplace(k, kNumPad);
        return m;
    }();
    return table;
}

std::optional<std::uint64_t> implicitKeyFlagsFor(std::uint16_t keyCode) {
    const auto& t = implicitKeyFlags();
    auto it = t.find(keyCode);
    if (it == t.end()) return std::nullopt;
    return it->second;
}

} // namespace corv
