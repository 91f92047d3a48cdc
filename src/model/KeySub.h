#pragma once

#include "model/DeviceName.h"
#include "platform/PropertyList.h"

#include <cstdint>
#include <vector>

namespace corv {

// The modifier-key substitutions of one keyboard model. Pair i is
// subItemsSrc[i] → subItemsDst[i], also reversed when subBidir[i]; codes are
// usage page << 32 | usage.
struct KeySub {
    DeviceName name;
    std::int64_t reportDescSum = 0;
    std::vector<std::uint64_t> subItemsSrc;
    std::vector<std::uint64_t> subItemsDst;
    std::vector<bool> subBidir;
    std::vector<std::int64_t> mapItemOccupied;  // rows of the HID key table the pairs use

    bool operator==(const KeySub&) const = default;

    std::size_t pairCount() const;

    // Recomputes mapItemOccupied from the pairs.
    void rebuildOccupiedKeys();

    void encode(plist::KeyedEncoder& e) const;
    // Fails when the three pair arrays differ in length.
    static KeySub decode(const plist::KeyedDecoder& d);
};

} // namespace corv
