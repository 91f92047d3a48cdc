#include "platform/BinaryPlistWriter.h"

#include "platform/PropertyList.h"
#include "platform/Utf8.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

namespace corv::plist {

namespace {

void putBigEndian(Bytes& out, std::uint64_t v, std::size_t size) {
    for (std::size_t i = size; i-- > 0;) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::size_t bytesFor(std::uint64_t v) {
    if (v < 0x100) return 1;
    if (v < 0x10000) return 2;
    if (v < 0x100000000) return 4;
    return 8;
}

// A marker with its count: in the low nibble, or after it as an integer object.
void putMarker(Bytes& out, std::uint8_t type, std::uint64_t count) {
    if (count < 15) {
        out.push_back(static_cast<std::uint8_t>(type | count));
        return;
    }
    out.push_back(static_cast<std::uint8_t>(type | 0xF));
    const std::size_t size = bytesFor(count);
    out.push_back(static_cast<std::uint8_t>(0x10 | std::countr_zero(size)));
    putBigEndian(out, count, size);
}

// UTF-8 to UTF-16 code units; the text is known to be clean.
std::u16string toUtf16(const std::string& s) {
    std::u16string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
        for (std::size_t k = 1; k <= extra; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

class Writer {
public:
    Bytes run(const Value& root) {
        flatten(root);
        const std::uint64_t count = objects_.size();
        refSize_ = bytesFor(count);
        Bytes out{'b', 'p', 'l', 'i', 's', 't', '0', '0'};
        out.reserve(encodedSize_ + children_.size() * refSize_ + 64);
        std::vector<std::uint64_t> offsets;
        offsets.reserve(count);
        for (const Object& o : objects_) {
            offsets.push_back(out.size());
            emit(out, o);
        }
        const std::uint64_t table = out.size();
        const std::size_t offSize = bytesFor(table);
        for (std::uint64_t off : offsets) putBigEndian(out, off, offSize);
        out.insert(out.end(), 6, 0);
        out.push_back(static_cast<std::uint8_t>(offSize));
        out.push_back(static_cast<std::uint8_t>(refSize_));
        putBigEndian(out, count, 8);
        putBigEndian(out, 0, 8);  // the root is the first object
        putBigEndian(out, table, 8);
        return out;
    }

private:
    // A scalar's encoding is made once, when it is first met; a container
    // keeps its children's object numbers (a dictionary: keys, then values).
    struct Object {
        std::uint8_t type;  // 0xA array, 0xD dictionary, 0 a scalar
        std::size_t first;  // into children_ or scalars_
        std::size_t count;
    };

    // The scalar encoded in scratch_: written once, referred to after.
    std::uint32_t addScalar() {
        const std::string_view encoded(reinterpret_cast<const char*>(scratch_.data()), scratch_.size());
        if (auto it = unique_.find(encoded); it != unique_.end()) return it->second;
        const auto index = static_cast<std::uint32_t>(objects_.size());
        unique_.emplace(std::string(encoded), index);
        objects_.push_back({0, scalars_.size(), scratch_.size()});
        scalars_.insert(scalars_.end(), scratch_.begin(), scratch_.end());
        encodedSize_ += scratch_.size();
        return index;
    }

    std::uint32_t addString(const std::string& s) {
        Bytes& b = scratch_;
        b.clear();
        bool ascii = true;
        for (char c : s) ascii = ascii && static_cast<unsigned char>(c) - 1u < 0x7Fu;  // 1 to 0x7F
        if (!ascii && !isCleanUtf8(s)) throw CodingError("string is not clean UTF-8");
        if (ascii) {
            putMarker(b, 0x50, s.size());
            b.insert(b.end(), s.begin(), s.end());
        } else {
            const std::u16string u = toUtf16(s);
            putMarker(b, 0x60, u.size());
            for (char16_t c : u) putBigEndian(b, c, 2);
        }
        return addScalar();
    }

    std::uint32_t flatten(const Value& n) {
        Bytes& b = scratch_;
        b.clear();
        switch (n.kind) {
        case Value::Kind::Bool:
            b.push_back(n.flag ? 0x09 : 0x08);
            return addScalar();
        case Value::Kind::Integer: {
            if (n.outOfRange) throw CodingError("integer out of range");
            if (n.flag) {
                b.push_back(0x13);
                putBigEndian(b, n.bits, 8);
            } else if (n.bits >> 63) {
                // Eight bytes are read as signed: a larger unsigned value takes sixteen.
                b.push_back(0x14);
                putBigEndian(b, 0, 8);
                putBigEndian(b, n.bits, 8);
            } else {
                const std::size_t size = bytesFor(n.bits);
                b.push_back(static_cast<std::uint8_t>(0x10 | std::countr_zero(size)));
                putBigEndian(b, n.bits, size);
            }
            return addScalar();
        }
        case Value::Kind::Real:
            b.push_back(0x23);
            putBigEndian(b, std::bit_cast<std::uint64_t>(n.real), 8);
            return addScalar();
        case Value::Kind::String:
            return addString(n.text);
        case Value::Kind::Data: {
            // Data is not shared: blobs are large and rarely equal.
            const auto index = static_cast<std::uint32_t>(objects_.size());
            const std::size_t start = scalars_.size();
            putMarker(scalars_, 0x40, n.text.size());
            scalars_.insert(scalars_.end(), n.text.begin(), n.text.end());
            objects_.push_back({0, start, scalars_.size() - start});
            encodedSize_ += scalars_.size() - start;
            return index;
        }
        case Value::Kind::Array:
        case Value::Kind::Dict: {
            const bool dict = n.kind == Value::Kind::Dict;
            const auto index = static_cast<std::uint32_t>(objects_.size());
            objects_.push_back({0, 0, 0});
            const std::size_t size = n.entries.size();
            // The children's numbers wait on a stack shared by all containers.
            const std::size_t base = pending_.size();
            pending_.resize(base + (dict ? 2 * size : size));
            for (std::size_t i = 0; i < size; ++i) {
                if (dict) pending_[base + i] = addString(n.entries[i].key);
                const std::uint32_t child = flatten(*n.entries[i].value);
                pending_[base + (dict ? size + i : i)] = child;
            }
            objects_[index] = {static_cast<std::uint8_t>(dict ? 0xD : 0xA), children_.size(), size};
            children_.insert(children_.end(), pending_.begin() + static_cast<std::ptrdiff_t>(base), pending_.end());
            pending_.resize(base);
            encodedSize_ += 10;
            return index;
        }
        default:
            throw CodingError("a node kind settings never hold");
        }
    }

    void emit(Bytes& out, const Object& o) const {
        if (o.type == 0) {
            out.insert(out.end(), scalars_.begin() + static_cast<std::ptrdiff_t>(o.first),
                       scalars_.begin() + static_cast<std::ptrdiff_t>(o.first + o.count));
            return;
        }
        putMarker(out, static_cast<std::uint8_t>(o.type << 4), o.count);
        const std::size_t refs = o.type == 0xD ? 2 * o.count : o.count;
        for (std::size_t i = 0; i < refs; ++i) putBigEndian(out, children_[o.first + i], refSize_);
    }

    std::vector<Object> objects_;
    std::vector<std::uint32_t> children_;
    Bytes scalars_;
    std::vector<std::uint32_t> pending_;
    Bytes scratch_;
    // Heterogeneous lookup: found without making a string.
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, std::uint32_t, Hash, std::equal_to<>> unique_;
    std::size_t encodedSize_ = 0;
    std::size_t refSize_ = 1;
};

} // namespace

Bytes writeBinary(const Value* root) {
    if (!root) throw CodingError("nothing to encode");
    return Writer().run(*root);
}

} // namespace corv::plist
