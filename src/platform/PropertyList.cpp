#include "platform/PropertyList.h"

#include "platform/BinaryPlistReader.h"
#include "platform/BinaryPlistWriter.h"
#include "platform/PlistValue.h"
#include "platform/PropertyListLimits.h"
#include "platform/Utf8.h"
#include "platform/XmlPlist.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace corv::plist {

using Kind = Value::Kind;

std::unique_ptr<Value> Value::clone() const {
    auto v = std::make_unique<Value>(kind);
    v->flag = flag;
    v->outOfRange = outOfRange;
    v->bits = bits;
    v->real = real;
    v->text = text;
    v->entries.reserve(entries.size());
    for (const auto& e : entries) v->entries.push_back({e.key, e.value->clone()});
    return v;
}

Node::~Node() { delete p_; }

Node& Node::operator=(Node&& o) noexcept {
    if (this != &o) {
        delete p_;
        p_ = o.p_;
        o.p_ = nullptr;
    }
    return *this;
}

Bytes toBinary(const Node& root) { return writeBinary(root.get()); }

std::string toXml(const Node& root) {
    if (!root) throw CodingError("nothing to encode");
    std::string xml = writeXml(*root.get());
    if (xml.empty()) throw CodingError("XML property-list encoding failed");
    return xml;
}

namespace {

Node parseRaw(const char* data, std::size_t size) {
    if (size == 0) throw CodingError("not a property list");
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    const std::string refused = checkLimits(bytes, size);
    if (!refused.empty()) throw CodingError("property list refused: " + refused);
    std::unique_ptr<Value> root;
    if (size >= 8 && std::memcmp(data, "bplist00", 8) == 0) {
        root = readBinary(bytes, size);
    } else {
        root = readXml(data, size);
    }
    if (!root) throw CodingError("not a property list");
    return Node(root.release());
}

Node make(Kind kind) { return Node(new Value(kind)); }

} // namespace

Node parse(const Bytes& bytes) {
    return parseRaw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

Node parse(std::string_view text) { return parseRaw(text.data(), text.size()); }

bool isDict(plist_t n) { return n && n->kind == Kind::Dict; }
bool isArray(plist_t n) { return n && n->kind == Kind::Array; }
bool isInteger(plist_t n) { return n && n->kind == Kind::Integer; }
bool isReal(plist_t n) { return n && n->kind == Kind::Real; }

plist_t dictItem(plist_t dict, std::string_view key) {
    if (!isDict(dict)) return nullptr;
    for (const auto& e : dict->entries)
        if (e.key == key) return e.value.get();
    return nullptr;
}

Node newDict() { return make(Kind::Dict); }
Node newArray() { return make(Kind::Array); }

namespace {

// Keys and strings are checked both ways: nothing is read or written that a
// reader could not take back.
void checkText(std::string_view s, const char* what) {
    if (!isCleanUtf8(s)) throw CodingError(std::string(what) + " is not clean UTF-8");
}

} // namespace

void dictSet(Node& dict, std::string_view key, Node value) {
    checkText(key, "dictionary key");
    if (!isDict(dict.get()) || !value) throw CodingError("not a dictionary");
    for (auto& e : dict.get()->entries) {
        if (e.key == key) {
            e.value.reset(value.release());
            return;
        }
    }
    dict.get()->entries.push_back({std::string(key), std::unique_ptr<Value>(value.release())});
}

void dictAppend(Node& dict, std::string_view key, Node value) {
    checkText(key, "dictionary key");
    if (!isDict(dict.get()) || !value) throw CodingError("not a dictionary");
    dict.get()->entries.push_back({std::string(key), std::unique_ptr<Value>(value.release())});
}

void dictRemove(plist_t dict, std::string_view key) {
    if (!isDict(dict)) return;
    std::erase_if(dict->entries, [&](const Value::Entry& e) { return e.key == key; });
}

void arrayAppend(Node& array, Node value) {
    if (!isArray(array.get()) || !value) throw CodingError("not an array");
    array.get()->entries.push_back({{}, std::unique_ptr<Value>(value.release())});
}

void arraySet(plist_t array, std::size_t i, Node value) {
    if (i >= arraySize(array) || !value) throw CodingError("array index out of range");
    array->entries[i].value.reset(value.release());
}

void reserve(Node& container, std::size_t count) {
    if (isArray(container.get()) || isDict(container.get())) container.get()->entries.reserve(count);
}

Node copy(plist_t n) { return n ? Node(n->clone().release()) : Node(); }

std::size_t arraySize(plist_t array) { return isArray(array) ? array->entries.size() : 0; }

plist_t arrayItem(plist_t array, std::size_t i) {
    if (i >= arraySize(array)) throw CodingError("array index out of range");
    return array->entries[i].value.get();
}

std::vector<std::pair<std::string, plist_t>> dictEntries(plist_t dict) {
    auto out = rawDictEntries(dict);
    for (const auto& entry : out) checkText(entry.first, "dictionary key");
    return out;
}

std::vector<std::pair<std::string, plist_t>> rawDictEntries(plist_t dict) {
    std::vector<std::pair<std::string, plist_t>> out;
    if (!isDict(dict)) return out;
    out.reserve(dict->entries.size());
    for (const auto& e : dict->entries) out.emplace_back(e.key, e.value.get());
    return out;
}

Node makeBool(bool v) {
    Node n = make(Kind::Bool);
    n.get()->flag = v;
    return n;
}

Node makeSigned(std::int64_t v) {
    Node n = make(Kind::Integer);
    n.get()->bits = static_cast<std::uint64_t>(v);
    n.get()->flag = v < 0;
    return n;
}

// Unsigned values above INT64_MAX are refused: they do not read back as
// integers of 64 signed bits.
Node makeUnsigned(std::uint64_t v) {
    if (v > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
        throw CodingError("unsigned integer too large to store");
    return makeSigned(static_cast<std::int64_t>(v));
}

Node makeReal(double v) {
    Node n = make(Kind::Real);
    n.get()->real = v;
    return n;
}

Node makeString(std::string_view v) {
    Node n = make(Kind::String);
    n.get()->text = std::string(v);
    checkText(n.get()->text, "string");
    return n;
}

Node makeData(const Bytes& v) {
    Node n = make(Kind::Data);
    n.get()->text.assign(v.begin(), v.end());
    return n;
}

bool readBool(plist_t n) {
    if (!n || n->kind != Kind::Bool) throw CodingError("expected a Bool");
    return n->flag;
}

std::int64_t readSigned(plist_t n) {
    if (!n) throw CodingError("expected a number");
    switch (n->kind) {
    case Kind::Integer:
        if (n->outOfRange || (!n->flag && n->bits > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())))
            throw CodingError("number out of range");
        return static_cast<std::int64_t>(n->bits);
    case Kind::Real: {
        const double d = n->real;
        // A real stands for an integer only when it is one exactly.
        if (!std::isfinite(d) || d != std::trunc(d) || d < -9223372036854775808.0 || d >= 9223372036854775808.0)
            throw CodingError("number does not fit an integer");
        return static_cast<std::int64_t>(d);
    }
    default:
        throw CodingError("expected a number");
    }
}

std::uint64_t readUnsigned(plist_t n, std::uint64_t max) {
    std::int64_t v = readSigned(n);
    if (v < 0) throw CodingError("negative number where an unsigned one is due");
    if (static_cast<std::uint64_t>(v) > max) throw CodingError("number out of range");
    return static_cast<std::uint64_t>(v);
}

double readReal(plist_t n) {
    if (!n) throw CodingError("expected a number");
    switch (n->kind) {
    case Kind::Real:
        return n->real;
    case Kind::Integer:
        if (n->outOfRange) throw CodingError("number out of range");
        return n->flag ? static_cast<double>(static_cast<std::int64_t>(n->bits)) : static_cast<double>(n->bits);
    default:
        throw CodingError("expected a number");
    }
}

std::string readString(plist_t n) {
    if (!n || n->kind != Kind::String) throw CodingError("expected a String");
    checkText(n->text, "string");
    return n->text;
}

Bytes readData(plist_t n) {
    if (!n || n->kind != Kind::Data) throw CodingError("expected data");
    return Bytes(n->text.begin(), n->text.end());
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
