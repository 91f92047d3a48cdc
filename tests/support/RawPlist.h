#pragma once

// Property lists byte by byte, for inputs that no encoder writes: shared
// references, deep nesting, broken strings.

#include "platform/Bytes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corv::test {

class RawPlist {
public:
    // Adds an object; answers its index.
    std::uint32_t add(Bytes object) {
        objects_.push_back(std::move(object));
        return static_cast<std::uint32_t>(objects_.size() - 1);
    }
    std::uint32_t integer(std::uint8_t v) { return add({0x10, v}); }
    std::uint32_t ascii(const std::string& s) { return add(marked(0x50, s.size(), Bytes(s.begin(), s.end()))); }
    std::uint32_t utf16(const std::u16string& s) {
        Bytes b;
        for (char16_t c : s) {
            b.push_back(static_cast<std::uint8_t>(c >> 8));
            b.push_back(static_cast<std::uint8_t>(c & 0xFF));
        }
        return add(marked(0x60, s.size(), b));
    }
    std::uint32_t data(const Bytes& d) { return add(marked(0x40, d.size(), d)); }
    std::uint32_t array(const std::vector<std::uint32_t>& refs) { return add(marked(0xA0, refs.size(), refBytes(refs))); }
    std::uint32_t dict(const std::vector<std::uint32_t>& keys, const std::vector<std::uint32_t>& values) {
        Bytes b = refBytes(keys), v = refBytes(values);
        b.insert(b.end(), v.begin(), v.end());
        return add(marked(0xD0, keys.size(), b));
    }
    // Objects may refer to ones added later: a chain is added top first.
    std::uint32_t next() const { return static_cast<std::uint32_t>(objects_.size()); }

    Bytes finish(std::uint32_t top) const {
        Bytes out{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
        std::vector<std::uint64_t> offsets;
        for (const Bytes& o : objects_) {
            offsets.push_back(out.size());
            out.insert(out.end(), o.begin(), o.end());
        }
        const std::uint64_t table = out.size();
        for (std::uint64_t off : offsets) put(out, off, 4);
        out.insert(out.end(), 6, 0);
        out.push_back(4);  // offset size
        out.push_back(4);  // reference size
        put(out, objects_.size(), 8);
        put(out, top, 8);
        put(out, table, 8);
        return out;
    }

private:
    static void put(Bytes& out, std::uint64_t v, int size) {
        for (int i = size - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    static Bytes marked(std::uint8_t type, std::size_t count, const Bytes& payload) {
        Bytes b;
        if (count < 15) {
            b.push_back(static_cast<std::uint8_t>(type | count));
        } else {
            b = {static_cast<std::uint8_t>(type | 0xF), 0x12};
            put(b, count, 4);
        }
        b.insert(b.end(), payload.begin(), payload.end());
        return b;
    }
    static Bytes refBytes(const std::vector<std::uint32_t>& refs) {
        Bytes b;
        for (auto r : refs) put(b, r, 4);
        return b;
    }
    std::vector<Bytes> objects_;
};

// The hostile lists: each breaks a naive reader.
namespace hostile {

// `levels` arrays, each holding the next one.
inline Bytes nestedArrays(std::size_t levels) {
    RawPlist p;
    for (std::size_t i = 0; i < levels; ++i) {
        if (i + 1 < levels) p.array({p.next() + 1});
        else p.array({});
    }
    return p.finish(0);
}

inline std::string nestedArraysXml(std::size_t levels) {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    for (std::size_t i = 0; i < levels; ++i) s += "<array>";
    for (std::size_t i = 0; i < levels; ++i) s += "</array>";
    return s + "</plist>\n";
}

// Each array refers to the next one twice: 2^levels nodes once expanded.
inline Bytes doublingChain(std::size_t levels) {
    RawPlist p;
    for (std::size_t i = 0; i < levels; ++i) p.array({p.next() + 1, p.next() + 1});
    p.integer(1);
    return p.finish(0);
}

// A dictionary {"ver": data, key: 1} whose second key holds U+0000.
inline Bytes nulKey(bool utf16) {
    RawPlist p;
    const auto ver = p.ascii("ver");
    const auto bad = utf16 ? p.utf16(std::u16string(u"ap\0pitems", 9)) : p.ascii(std::string("ap\0pitems", 9));
    const auto one = p.integer(1), data = p.data({'2', '6', '1'});
    return p.finish(p.dict({ver, bad}, {data, one}));
}

} // namespace hostile

} // namespace corv::test
