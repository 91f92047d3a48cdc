#pragma once

#include "platform/PropertyList.h"

#include <string_view>
#include <vector>

namespace corv {

// Decodes the array under the key element by element; an element that does
// not decode is dropped and the others are kept. The array itself is required.
template <class T>
std::vector<T> decodeEachDroppingFailures(const plist::KeyedDecoder& d, std::string_view key) {
    plist_t array = plist::dictItem(d.node(), key);
    if (!array) throw plist::CodingError("missing key \"" + std::string(key) + "\"");
    if (!plist::isArray(array)) throw plist::CodingError("expected an array");
    std::vector<T> out;
    for (std::size_t i = 0; i < plist::arraySize(array); ++i) {
        try {
            out.push_back(plist::Codec<T>::decode(plist::arrayItem(array, i)));
        } catch (const plist::CodingError&) {
        }
    }
    return out;
}

} // namespace corv
