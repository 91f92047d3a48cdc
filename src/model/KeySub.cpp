#include "model/KeySub.h"

#include "model/HidKeyTable.h"

#include <algorithm>

namespace corv {

std::size_t KeySub::pairCount() const {
    return std::min({subItemsSrc.size(), subItemsDst.size(), subBidir.size()});
}

void KeySub::rebuildOccupiedKeys() {
    mapItemOccupied.clear();
    for (std::size_t i = 0; i < pairCount(); ++i) {
        if (auto row = findHidKeyRow(subItemsSrc[i])) mapItemOccupied.push_back(static_cast<std::int64_t>(*row));
        if (subBidir[i]) {
            if (auto row = findHidKeyRow(subItemsDst[i])) mapItemOccupied.push_back(static_cast<std::int64_t>(*row));
        }
    }
}

void KeySub::encode(plist::KeyedEncoder& e) const {
    e.encode("name", name);
    e.encode("reportDescSum", reportDescSum);
    e.encode("subItemsSrc", subItemsSrc);
    e.encode("subItemsDst", subItemsDst);
    e.encode("subBidir", subBidir);
    e.encode("mapItemOccupied", mapItemOccupied);
}

KeySub KeySub::decode(const plist::KeyedDecoder& d) {
    KeySub k;
    k.name = d.decode<DeviceName>("name");
    k.reportDescSum = d.decode<std::int64_t>("reportDescSum");
    k.subItemsSrc = d.decode<std::vector<std::uint64_t>>("subItemsSrc");
    k.subItemsDst = d.decode<std::vector<std::uint64_t>>("subItemsDst");
    k.subBidir = d.decode<std::vector<bool>>("subBidir");
    k.mapItemOccupied = d.decode<std::vector<std::int64_t>>("mapItemOccupied");
    if (k.subItemsSrc.size() != k.subItemsDst.size() || k.subItemsSrc.size() != k.subBidir.size())
        throw plist::CodingError("substitution pair arrays differ in length");
    return k;
}

} // namespace corv
