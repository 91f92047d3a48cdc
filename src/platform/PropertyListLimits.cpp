#include "platform/PropertyListLimits.h"

#include "platform/BinaryPlistTrailer.h"
#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace corv::plist {

namespace {

// The binary format: objects, then a table of their offsets, then a 32-byte
// trailer. Every object reachable from the top one is visited once; the
// expanded counts are kept per object, so the walk is linear in the file.
class BinaryCheck {
public:
    BinaryCheck(const unsigned char* data, std::size_t size, const Limits& limits)
        : d_(data), n_(size), lim_(limits) {}

    std::string run() {
        BinaryTrailer t;
        if (const char* why = readBinaryTrailer(d_, n_, t)) return why;
        offSize_ = t.offsetSize;
        refSize_ = t.refSize;
        objects_ = t.objects;
        tableOff_ = t.tableOffset;
        const std::uint64_t top = t.top;
        if (objects_ > lim_.maxNodes) return "object count out of range";
        info_.assign(objects_, Info{});
        Info topInfo;
        if (!visit(top, 0, topInfo)) return error_;
        return {};
    }

private:
    struct Info {
        std::uint32_t nodes = 0;  // expanded node count, saturating
        std::uint32_t bytes = 0;  // expanded string and data bytes, saturating
        std::uint8_t height = 0;  // 0 unvisited, kBusy on the current path, else containers + 1
    };
    static constexpr std::uint8_t kBusy = 255;

    bool fail(const char* why) {
        error_ = why;
        return false;
    }

    // Length of an object whose marker's low nibble is 0xF: an integer object follows.
    bool length(std::uint64_t& at, std::uint64_t nibble, std::uint64_t& len) {
        if (nibble != 0xF) {
            len = nibble;
            ++at;
            return true;
        }
        if (at + 2 > tableOff_) return fail("object runs into the offset table");
        const unsigned char m = d_[at + 1];
        if ((m >> 4) != 0x1 || (m & 0xF) > 3) return fail("bad length");
        const std::size_t size = std::size_t{1} << (m & 0xF);
        if (at + 2 + size > tableOff_) return fail("object runs into the offset table");
        len = readBigEndian(d_ + at + 2, size);
        at += 2 + size;
        return true;
    }

    bool fits(std::uint64_t at, std::uint64_t count, std::uint64_t unit) {
        if (count > (tableOff_ - at) / unit) return fail("object runs into the offset table");
        return true;
    }

    // Strings the parser would cut at a U+0000 or turn into broken UTF-8 are refused.
    bool checkString(std::uint64_t at, std::uint64_t len, bool utf16) {
        if (!utf16) {
            if (std::memchr(d_ + at, 0, len)) return fail("string holds U+0000");
            return true;
        }
        bool highPending = false;
        for (std::uint64_t i = 0; i < len; ++i) {
            const auto u = static_cast<std::uint32_t>(readBigEndian(d_ + at + 2 * i, 2));
            const bool high = u >= 0xD800 && u <= 0xDBFF, low = u >= 0xDC00 && u <= 0xDFFF;
            if (u == 0) return fail("string holds U+0000");
            if (low != highPending) return fail("string holds a lone surrogate");
            highPending = high;
        }
        if (highPending) return fail("string holds a lone surrogate");
        return true;
    }

    bool add(Info& into, const Info& child) {
        const std::uint64_t nodes = std::uint64_t{into.nodes} + child.nodes;
        const std::uint64_t bytes = std::uint64_t{into.bytes} + child.bytes;
        if (nodes > lim_.maxNodes) return fail("too many nodes");
        if (bytes > lim_.maxExpandedBytes) return fail("too many bytes once expanded");
        into.nodes = static_cast<std::uint32_t>(nodes);
        into.bytes = static_cast<std::uint32_t>(bytes);
        return true;
    }

    // `level` counts the containers above the object.
    bool visit(std::uint64_t index, std::size_t level, Info& out) {
        if (index >= objects_) return fail("reference out of range");
        Info& info = info_[index];
        if (info.height == kBusy) return fail("object contains itself");
        if (info.height != 0) {
            if (level + info.height - 1 > lim_.maxDepth) return fail("nested too deeply");
            out = info;
            return true;
        }
        std::uint64_t at = readBigEndian(d_ + tableOff_ + index * offSize_, offSize_);
        if (at < 8 || at >= tableOff_) return fail("object offset out of range");
        const unsigned char marker = d_[at];
        const unsigned type = marker >> 4, nibble = marker & 0xF;
        Info result{1, 0, 1};
        std::uint64_t len = 0;
        switch (type) {
        case 0x0:
            if (nibble != 0x0 && nibble != 0x8 && nibble != 0x9 && nibble != 0xF) return fail("unknown object");
            break;
        case 0x1:
            if (nibble > 4 || !fits(at + 1, std::uint64_t{1} << nibble, 1)) return fail("bad integer");
            break;
        case 0x2:
            if ((nibble != 2 && nibble != 3) || !fits(at + 1, std::uint64_t{1} << nibble, 1)) return fail("bad real");
            break;
        case 0x3:
            if (nibble != 3 || !fits(at + 1, 8, 1)) return fail("bad date");
            break;
        case 0x8:
            if (!fits(at + 1, nibble + 1, 1)) return false;
            break;
        case 0x4:
        case 0x5:
            if (!length(at, nibble, len) || !fits(at, len, 1)) return false;
            if (type == 0x5 && !checkString(at, len, false)) return false;
            result.bytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(len, lim_.maxExpandedBytes + 1));
            break;
        case 0x6:
            if (!length(at, nibble, len) || !fits(at, len, 2) || !checkString(at, len, true)) return false;
            // UTF-16 becomes at most three bytes of UTF-8 per unit.
            result.bytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(len * 3, lim_.maxExpandedBytes + 1));
            break;
        case 0xA:
        case 0xC:
        case 0xD: {
            if (!length(at, nibble, len)) return false;
            if (len > lim_.maxEntries) return fail("container too large");
            const std::uint64_t refs = type == 0xD ? 2 * len : len;
            if (!fits(at, refs, refSize_)) return false;
            if (level + 1 > lim_.maxDepth) return fail("nested too deeply");
            info.height = kBusy;
            std::uint8_t height = 1;
            for (std::uint64_t i = 0; i < refs; ++i) {
                const std::uint64_t ref = readBigEndian(d_ + at + i * refSize_, refSize_);
                Info child;
                if (!visit(ref, level + 1, child)) return false;
                if (type == 0xD && i < len) {
                    // Keys are strings: one node each.
                    const std::uint64_t keyAt = readBigEndian(d_ + tableOff_ + ref * offSize_, offSize_);
                    const unsigned keyType = d_[keyAt] >> 4;
                    if (keyType != 0x5 && keyType != 0x6) return fail("dictionary key is not a string");
                }
                if (!add(result, child)) return false;
                height = std::max<std::uint8_t>(height, static_cast<std::uint8_t>(child.height + 1));
            }
            result.height = height;
            break;
        }
        default:
            return fail("unknown object");
        }
        if (result.bytes > lim_.maxExpandedBytes) return fail("too many bytes once expanded");
        info = result;
        out = result;
        return true;
    }

    const unsigned char* d_;
    std::size_t n_;
    const Limits& lim_;
    std::size_t offSize_ = 0, refSize_ = 0;
    std::uint64_t objects_ = 0, tableOff_ = 0;
    std::vector<Info> info_;
    std::string error_;
};

// XML: element nesting, element count and children per element. Markup is
// followed just far enough to tell elements apart from declarations,
// comments and character data.
std::string checkXml(std::string_view s, const Limits& lim) {
    if (s.find('\0') != std::string_view::npos) return "NUL byte";
    std::vector<std::uint64_t> children{0};
    std::uint64_t elements = 0;
    std::size_t i = 0;
    auto skipPast = [&](std::string_view end) {
        const std::size_t at = s.find(end, i);
        i = at == std::string_view::npos ? s.size() : at + end.size();
    };
    while ((i = s.find('<', i)) != std::string_view::npos) {
        const std::string_view rest = s.substr(i);
        if (rest.starts_with("<?")) {
            skipPast("?>");
        } else if (rest.starts_with("<!--")) {
            skipPast("-->");
        } else if (rest.starts_with("<![CDATA[")) {
            skipPast("]]>");
        } else if (rest.starts_with("<!")) {
            skipPast(">");
        } else if (rest.starts_with("</")) {
            if (children.size() > 1) children.pop_back();
            skipPast(">");
        } else {
            const std::size_t close = s.find('>', i);
            if (close == std::string_view::npos) break;
            if (++elements > lim.maxNodes) return "too many nodes";
            if (++children.back() > 2 * lim.maxEntries) return "container too large";
            if (s[close - 1] != '/') {
                children.push_back(0);
                if (children.size() - 1 > lim.maxXmlDepth) return "nested too deeply";
            }
            i = close + 1;
        }
    }
    return {};
}

} // namespace

std::string checkLimits(const unsigned char* data, std::size_t size, const Limits& limits) {
    if (size > limits.maxBytes) return "too large";
    if (size >= 8 && std::memcmp(data, "bplist00", 8) == 0) return BinaryCheck(data, size, limits).run();
    return checkXml(std::string_view(reinterpret_cast<const char*>(data), size), limits);
}

} // namespace corv::plist
