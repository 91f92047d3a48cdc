#include "platform/PropertyList.h"

#include "platform/BinaryPlistWriter.h"
#include "platform/PropertyListLimits.h"
#include "platform/Utf8.h"

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace corv::plist {

Node::~Node() {
    if (p_) plist_free(p_);
}

Node& Node::operator=(Node&& o) noexcept {
    if (this != &o) {
        if (p_) plist_free(p_);
        p_ = o.p_;
        o.p_ = nullptr;
    }
    return *this;
}

Bytes toBinary(const Node& root) { return writeBinary(root.get()); }

std::string toXml(const Node& root) {
    if (!root) throw CodingError("nothing to encode");
    char* buf = nullptr;
    uint32_t len = 0;
    plist_to_xml(root.get(), &buf, &len);
    if (!buf) throw CodingError("XML property-list encoding failed");
    std::string out(buf, len);
    plist_to_xml_free(buf);
    return out;
}

namespace {

Node parseRaw(const char* data, std::size_t size) {
    if (size == 0 || size > std::numeric_limits<uint32_t>::max())
        throw CodingError("not a property list");
    const std::string refused = checkLimits(reinterpret_cast<const unsigned char*>(data), size);
    if (!refused.empty()) throw CodingError("property list refused: " + refused);
    plist_t root = nullptr;
    const auto len = static_cast<uint32_t>(size);
    if (plist_is_binary(data, len)) {
        plist_from_bin(data, len, &root);
    } else {
        plist_from_xml(data, len, &root);
    }
    if (!root) throw CodingError("not a property list");
    return Node(root);
}

} // namespace

Node parse(const Bytes& bytes) {
    return parseRaw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

Node parse(std::string_view text) { return parseRaw(text.data(), text.size()); }

bool isDict(plist_t n) { return n && plist_get_node_type(n) == PLIST_DICT; }
bool isArray(plist_t n) { return n && plist_get_node_type(n) == PLIST_ARRAY; }
bool isInteger(plist_t n) { return n && plist_get_node_type(n) == PLIST_UINT; }
bool isReal(plist_t n) { return n && plist_get_node_type(n) == PLIST_REAL; }

plist_t dictItem(plist_t dict, std::string_view key) {
    if (!isDict(dict)) return nullptr;
    return plist_dict_get_item(dict, std::string(key).c_str());
}

Node newDict() { return Node(plist_new_dict()); }
Node newArray() { return Node(plist_new_array()); }

namespace {

// Keys and strings are checked both ways: nothing is read or written that a
// reader could not take back.
const std::string& checkedText(const std::string& s, const char* what) {
    if (!isCleanUtf8(s)) throw CodingError(std::string(what) + " is not clean UTF-8");
    return s;
}

} // namespace

void dictSet(Node& dict, std::string_view key, Node value) {
    checkedText(std::string(key), "dictionary key");
    plist_dict_set_item(dict.get(), std::string(key).c_str(), value.release());
}

void arrayAppend(Node& array, Node value) { plist_array_append_item(array.get(), value.release()); }

std::size_t arraySize(plist_t array) { return isArray(array) ? plist_array_get_size(array) : 0; }

plist_t arrayItem(plist_t array, std::size_t i) {
    if (i >= arraySize(array)) throw CodingError("array index out of range");
    return plist_array_get_item(array, static_cast<uint32_t>(i));
}

std::vector<std::pair<std::string, plist_t>> dictEntries(plist_t dict) {
    auto out = rawDictEntries(dict);
    for (const auto& entry : out) checkedText(entry.first, "dictionary key");
    return out;
}

std::vector<std::pair<std::string, plist_t>> rawDictEntries(plist_t dict) {
    std::vector<std::pair<std::string, plist_t>> out;
    if (!isDict(dict)) return out;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(dict, &it);
    if (!it) return out;
    for (;;) {
        char* key = nullptr;
        plist_t val = nullptr;
        plist_dict_next_item(dict, it, &key, &val);
        if (!val) {
            std::free(key);
            break;
        }
        std::string text = key ? std::string(key) : std::string();
        std::free(key);
        out.emplace_back(std::move(text), val);
    }
    std::free(it);
    return out;
}

Node makeBool(bool v) { return Node(plist_new_bool(v ? 1 : 0)); }

// This libplist has one integer node kind holding 64 bits; a negative value is
// kept in two's complement and written as a signed 64-bit integer.
Node makeSigned(std::int64_t v) { return Node(plist_new_uint(static_cast<uint64_t>(v))); }

Node makeUnsigned(std::uint64_t v) {
    if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        throw CodingError("unsigned integer too large to store");
    return Node(plist_new_uint(v));
}

Node makeReal(double v) { return Node(plist_new_real(v)); }

Node makeString(std::string_view v) {
    const std::string text(v);
    return Node(plist_new_string(checkedText(text, "string").c_str()));
}

Node makeData(const Bytes& v) {
    return Node(plist_new_data(reinterpret_cast<const char*>(v.data()), v.size()));
}

bool readBool(plist_t n) {
    if (!n || plist_get_node_type(n) != PLIST_BOOLEAN) throw CodingError("expected a Bool");
    uint8_t b = 0;
    plist_get_bool_val(n, &b);
    return b != 0;
}

namespace {

struct IntegerValue {
    std::uint64_t bits;
    bool negative;
};

// This libplist keeps every integer in one 64-bit node: a value with the top
// bit set is either negative or an unsigned one above INT64_MAX, and only the
// way the node writes itself tells them apart. Rare, so the cost is fine.
IntegerValue integerValue(plist_t n) {
    uint64_t v = 0;
    plist_get_uint_val(n, &v);
    if ((v >> 63) == 0) return {v, false};
    Node copy(plist_copy(n));
    char* xml = nullptr;
    uint32_t len = 0;
    plist_to_xml(copy.get(), &xml, &len);
    if (!xml) throw CodingError("unreadable integer");
    const std::string_view text(xml, len);
    const auto at = text.find("<integer>");
    const bool negative = at != std::string_view::npos && text.substr(at + 9, 1) == "-";
    plist_to_xml_free(xml);
    return {v, negative};
}

} // namespace

std::int64_t readSigned(plist_t n) {
    if (!n) throw CodingError("expected a number");
    switch (plist_get_node_type(n)) {
    case PLIST_UINT: {
        const IntegerValue v = integerValue(n);
        if (!v.negative && v.bits > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            throw CodingError("number out of range");
        return static_cast<std::int64_t>(v.bits);
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(n, &d);
        // A real stands for an integer only when it is one exactly.
        if (!std::isfinite(d) || d != std::trunc(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
            throw CodingError("number does not fit an integer");
        return static_cast<std::int64_t>(d);
    }
    default:
        throw CodingError("expected a number");
    }
}

// Unsigned values above INT64_MAX are refused: this libplist cannot write them back.
std::uint64_t readUnsigned(plist_t n, std::uint64_t max) {
    std::int64_t v = readSigned(n);
    if (v < 0) throw CodingError("negative number where an unsigned one is due");
    if (static_cast<std::uint64_t>(v) > max) throw CodingError("number out of range");
    return static_cast<std::uint64_t>(v);
}

double readReal(plist_t n) {
    if (!n) throw CodingError("expected a number");
    switch (plist_get_node_type(n)) {
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(n, &d);
        return d;
    }
    case PLIST_UINT: {
        const IntegerValue v = integerValue(n);
        return v.negative ? static_cast<double>(static_cast<std::int64_t>(v.bits)) : static_cast<double>(v.bits);
    }
    default:
        throw CodingError("expected a number");
    }
}

std::string readString(plist_t n) {
    if (!n || plist_get_node_type(n) != PLIST_STRING) throw CodingError("expected a String");
    uint64_t len = 0;
    const char* p = plist_get_string_ptr(n, &len);
    std::string text = p ? std::string(p, len) : std::string();
    checkedText(text, "string");
    return text;
}

Bytes readData(plist_t n) {
    if (!n || plist_get_node_type(n) != PLIST_DATA) throw CodingError("expected data");
    uint64_t len = 0;
    const char* p = plist_get_data_ptr(n, &len);
    if (!p) return {};
    return Bytes(reinterpret_cast<const std::uint8_t*>(p), reinterpret_cast<const std::uint8_t*>(p) + len);
}

float Codec<float>::decode(plist_t n) {
    double d = readReal(n);
    if (std::isfinite(d) && std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
        throw CodingError("number does not fit a Float");
    return static_cast<float>(d);
}

Node Codec<Url>::encode(const Url& v) {
    KeyedEncoder e;
    e.encode("relative", v.relative());
    if (v.base()) e.encode("base", *v.base());
    return e.take();
}

Url Codec<Url>::decode(plist_t n) {
    KeyedDecoder d(n);
    auto relative = d.decode<std::string>("relative");
    std::shared_ptr<const Url> base;
    if (d.contains("base")) base = std::make_shared<const Url>(d.decode<Url>("base"));
    if (!Url::isValidText(relative)) throw CodingError("text does not form a URL");
    return Url(std::move(relative), std::move(base));
}

KeyedDecoder::KeyedDecoder(plist_t node) : node_(node) {
    if (!isDict(node)) throw CodingError("expected a keyed container");
}

std::int64_t parseDecimalKey(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) throw CodingError("dictionary key is not a decimal integer");
    // Accumulate negatively so that the smallest value fits.
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c < '0' || c > '9') throw CodingError("dictionary key is not a decimal integer");
        int digit = c - '0';
        if (v < (std::numeric_limits<std::int64_t>::min() + digit) / 10)
            throw CodingError("dictionary key out of range");
        v = v * 10 - digit;
    }
    if (!negative) {
        if (v == std::numeric_limits<std::int64_t>::min()) throw CodingError("dictionary key out of range");
        v = -v;
    }
    return v;
}

} // namespace corv::plist
