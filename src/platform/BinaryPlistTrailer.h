#pragma once

// The binary property-list format's framing: an 8-byte header, the objects,
// a table of their offsets, then a 32-byte trailer that says where the table
// is and how wide its entries and the object references are.

#include <cstddef>
#include <cstdint>

namespace corv::plist {

inline std::uint64_t readBigEndian(const unsigned char* p, std::size_t size) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < size; ++i) v = (v << 8) | p[i];
    return v;
}

struct BinaryTrailer {
    unsigned offsetSize = 0;     // bytes per offset-table entry, 1 to 8
    unsigned refSize = 0;        // bytes per object reference, 1 to 8
    std::uint64_t objects = 0;   // at least 1
    std::uint64_t top = 0;       // below objects
    std::uint64_t tableOffset = 0;  // after the header; the table ends before the trailer
};

// Reads and checks the trailer of `size` bytes at `data`; nullptr when it is
// sound, else what is wrong.
inline const char* readBinaryTrailer(const unsigned char* data, std::size_t size, BinaryTrailer& t) {
    if (size < 8 + 1 + 32) return "too short";
    const unsigned char* p = data + size - 32;
    t.offsetSize = p[6];
    t.refSize = p[7];
    t.objects = readBigEndian(p + 8, 8);
    t.top = readBigEndian(p + 16, 8);
    t.tableOffset = readBigEndian(p + 24, 8);
    if (t.offsetSize < 1 || t.offsetSize > 8 || t.refSize < 1 || t.refSize > 8) return "bad trailer";
    if (t.objects == 0) return "object count out of range";
    if (t.top >= t.objects) return "top object out of range";
    if (t.tableOffset < 9 || t.tableOffset > size - 32 || t.objects > (size - 32 - t.tableOffset) / t.offsetSize)
        return "offset table out of range";
    return nullptr;
}

} // namespace corv::plist
