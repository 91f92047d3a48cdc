#include "platform/BinaryPlistReader.h"

#include "platform/BinaryPlistTrailer.h"
#include "platform/PropertyList.h"
#include "platform/PropertyListLimits.h"

#include <bit>
#include <cstring>

namespace corv::plist {

namespace {

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class Reader {
public:
    Reader(const unsigned char* d, std::size_t n) : d_(d), n_(n) {
        BinaryTrailer t;
        if (const char* why = readBinaryTrailer(d_, n_, t)) throw CodingError(why);
        offSize_ = t.offsetSize;
        refSize_ = t.refSize;
        objects_ = t.objects;
        top_ = t.top;
        table_ = t.tableOffset;
    }

    std::unique_ptr<Value> run() { return object(top_, 0); }

private:
    const unsigned char* at(std::uint64_t pos, std::uint64_t count) const {
        if (pos > table_ || count > table_ - pos) throw CodingError("object runs into the offset table");
        return d_ + pos;
    }

    std::uint64_t length(std::uint64_t& pos, unsigned nibble) const {
        ++pos;
        if (nibble != 0xF) return nibble;
        const unsigned char m = *at(pos, 1);
        const std::size_t size = std::size_t{1} << (m & 0x3);
        const std::uint64_t len = readBigEndian(at(pos + 1, size), size);
        pos += 1 + size;
        return len;
    }

    std::uint64_t ref(std::uint64_t pos, std::uint64_t i) const {
        return readBigEndian(at(pos + i * refSize_, refSize_), refSize_);
    }

    std::string text(std::uint64_t idx, bool& isString) const {
        std::uint64_t pos = readBigEndian(d_ + table_ + idx * offSize_, offSize_);
        const unsigned char marker = *at(pos, 1);
        const unsigned type = marker >> 4;
        isString = type == 0x5 || type == 0x6;
        if (!isString) return {};
        const std::uint64_t len = length(pos, marker & 0xF);
        if (type == 0x5) return std::string(reinterpret_cast<const char*>(at(pos, len)), len);
        const unsigned char* p = at(pos, len * 2);
        std::string out;
        out.reserve(len);
        for (std::uint64_t i = 0; i < len; ++i) {
            char32_t u = static_cast<char32_t>(readBigEndian(p + 2 * i, 2));
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < len) {
                const auto low = static_cast<char32_t>(readBigEndian(p + 2 * (i + 1), 2));
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
            appendUtf8(out, u);
        }
        return out;
    }

    std::unique_ptr<Value> object(std::uint64_t idx, std::size_t depth) {
        if (idx >= objects_ || depth > kLimits.maxDepth) throw CodingError("bad reference");
        std::uint64_t pos = readBigEndian(d_ + table_ + idx * offSize_, offSize_);
        const unsigned char marker = *at(pos, 1);
        const unsigned type = marker >> 4, nibble = marker & 0xF;
        using K = Value::Kind;
        switch (type) {
        case 0x0: {
            if (nibble != 0x8 && nibble != 0x9) return std::make_unique<Value>(K::Other);
            auto v = std::make_unique<Value>(K::Bool);
            v->flag = nibble == 0x9;
            return v;
        }
        case 0x1: {
            const std::size_t size = std::size_t{1} << nibble;
            const unsigned char* p = at(pos + 1, size);
            auto v = std::make_unique<Value>(K::Integer);
            if (size <= 8) {
                v->bits = readBigEndian(p, size);
                // Eight bytes are signed; fewer are unsigned.
                v->flag = size == 8 && (v->bits >> 63) != 0;
            } else {
                const std::uint64_t high = readBigEndian(p, 8);
                v->bits = readBigEndian(p + 8, 8);
                v->flag = high != 0;
                v->outOfRange = !(high == 0 || (high == ~std::uint64_t{0} && (v->bits >> 63) != 0));
            }
            return v;
        }
        case 0x2:
        case 0x3: {
            auto v = std::make_unique<Value>(type == 0x2 ? K::Real : K::Date);
            if (nibble == 2) {
                v->real = static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(readBigEndian(at(pos + 1, 4), 4))));
            } else {
                v->real = std::bit_cast<double>(readBigEndian(at(pos + 1, 8), 8));
            }
            return v;
        }
        case 0x4: {
            const std::uint64_t len = length(pos, nibble);
            auto v = std::make_unique<Value>(K::Data);
            v->text.assign(reinterpret_cast<const char*>(at(pos, len)), len);
            return v;
        }
        case 0x5:
        case 0x6: {
            auto v = std::make_unique<Value>(K::String);
            bool isString = false;
            v->text = text(idx, isString);
            return v;
        }
        case 0xA:
        case 0xC: {
            const std::uint64_t len = length(pos, nibble);
            at(pos, len * refSize_);
            auto v = std::make_unique<Value>(K::Array);
            v->entries.reserve(len);
            for (std::uint64_t i = 0; i < len; ++i) v->entries.push_back({{}, object(ref(pos, i), depth + 1)});
            return v;
        }
        case 0xD: {
            const std::uint64_t len = length(pos, nibble);
            at(pos, 2 * len * refSize_);
            auto v = std::make_unique<Value>(K::Dict);
            v->entries.reserve(len);
            for (std::uint64_t i = 0; i < len; ++i) {
                const std::uint64_t keyRef = ref(pos, i);
                if (keyRef >= objects_) throw CodingError("bad reference");
                bool isString = false;
                std::string key = text(keyRef, isString);
                if (!isString) throw CodingError("dictionary key is not a string");
                v->entries.push_back({std::move(key), object(ref(pos, len + i), depth + 1)});
            }
            return v;
        }
        default:
            return std::make_unique<Value>(K::Other);
        }
    }

    const unsigned char* d_;
    std::size_t n_;
    std::size_t offSize_ = 0, refSize_ = 0;
    std::uint64_t objects_ = 0, top_ = 0, table_ = 0;
};

} // namespace

std::unique_ptr<Value> readBinary(const unsigned char* data, std::size_t size) { return Reader(data, size).run(); }

} // namespace corv::plist
