#pragma once

// Strict keyed coding of values into property lists.
//
// A class type codes itself through two members:
//   void encode(plist::KeyedEncoder&) const;
//   static T decode(const plist::KeyedDecoder&);
// An enumeration codes as its bare raw value; it opts in by specialising
// plist::EnumTraits. Dictionaries code by their key type: String keys as a
// dictionary, Int (int64_t) keys as a dictionary of decimal-text keys, any
// other key as an array alternating key and value.
//
// Every failure throws CodingError; the top-level helpers turn it into an
// empty result. Strings and keys must be clean UTF-8 (Utf8.h) both ways.

#include "platform/Bytes.h"
#include "platform/Url.h"

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace corv {
namespace plist {
struct Value;  // PlistValue.h
}
// A node of a property list, owned by a Node or by its container.
using plist_t = plist::Value*;
} // namespace corv

namespace corv::plist {

class CodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An owned node.
class Node {
public:
    Node() = default;
    explicit Node(plist_t p) : p_(p) {}
    ~Node();
    Node(Node&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Node& operator=(Node&& o) noexcept;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    plist_t get() const { return p_; }
    plist_t release() {
        plist_t p = p_;
        p_ = nullptr;
        return p;
    }
    explicit operator bool() const { return p_ != nullptr; }

private:
    plist_t p_ = nullptr;
};

// Serialisation. parse() reads binary and XML property lists.
Bytes toBinary(const Node& root);
std::string toXml(const Node& root);
Node parse(const Bytes& bytes);
Node parse(std::string_view text);

// Node kinds and primitive accessors, all checking.
bool isDict(plist_t n);
bool isArray(plist_t n);
// Integer and real nodes, told apart (readSigned and readReal accept both).
bool isInteger(plist_t n);
bool isReal(plist_t n);
plist_t dictItem(plist_t dict, std::string_view key);
Node newDict();
Node newArray();
// Replaces an entry under the same key.
void dictSet(Node& dict, std::string_view key, Node value);
// For a key known to be new: no search for an entry to replace.
void dictAppend(Node& dict, std::string_view key, Node value);
void dictRemove(plist_t dict, std::string_view key);
void arrayAppend(Node& array, Node value);
void arraySet(plist_t array, std::size_t i, Node value);
// Room for this many entries of an array or dictionary.
void reserve(Node& container, std::size_t count);
Node copy(plist_t n);
std::size_t arraySize(plist_t array);
plist_t arrayItem(plist_t array, std::size_t i);
// Throws when a key is not clean UTF-8 (see Utf8.h); the raw form does not.
std::vector<std::pair<std::string, plist_t>> dictEntries(plist_t dict);
std::vector<std::pair<std::string, plist_t>> rawDictEntries(plist_t dict);

Node makeBool(bool v);
Node makeSigned(std::int64_t v);
Node makeUnsigned(std::uint64_t v);
Node makeReal(double v);
Node makeString(std::string_view v);
Node makeData(const Bytes& v);

bool readBool(plist_t n);
std::int64_t readSigned(plist_t n);   // any integer that fits in 64 signed bits
std::uint64_t readUnsigned(plist_t n, std::uint64_t max);
double readReal(plist_t n);
std::string readString(plist_t n);
Bytes readData(plist_t n);

template <class E>
struct EnumTraits;  // static std::optional<E> fromRaw(std::int64_t); static std::int64_t raw(E);

template <class T, class Enable = void>
struct Codec;

class KeyedEncoder {
public:
    KeyedEncoder() : dict_(newDict()) { reserve(dict_, 12); }
    // Each key once.
    template <class T>
    void encode(std::string_view key, const T& value) {
        dictAppend(dict_, key, Codec<T>::encode(value));
    }
    Node take() { return std::move(dict_); }

private:
    Node dict_;
};

class KeyedDecoder {
public:
    // Throws when the node is not a dictionary.
    explicit KeyedDecoder(plist_t node);
    bool contains(std::string_view key) const { return dictItem(node_, key) != nullptr; }
    template <class T>
    T decode(std::string_view key) const {
        plist_t item = dictItem(node_, key);
        if (!item) throw CodingError("missing key \"" + std::string(key) + "\"");
        return Codec<T>::decode(item);
    }
    plist_t node() const { return node_; }

private:
    plist_t node_;
};

// ---- primitives ----

template <>
struct Codec<bool> {
    static Node encode(bool v) { return makeBool(v); }
    static bool decode(plist_t n) { return readBool(n); }
};

template <class T>
struct Codec<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>> {
    static Node encode(T v) {
        if constexpr (std::is_signed_v<T>) {
            return makeSigned(static_cast<std::int64_t>(v));
        } else {
            return makeUnsigned(static_cast<std::uint64_t>(v));
        }
    }
    static T decode(plist_t n) {
        if constexpr (std::is_signed_v<T>) {
            std::int64_t v = readSigned(n);
            if (v < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
                v > static_cast<std::int64_t>(std::numeric_limits<T>::max()))
                throw CodingError("integer out of range");
            return static_cast<T>(v);
        } else {
            return static_cast<T>(readUnsigned(n, std::numeric_limits<T>::max()));
        }
    }
};

template <>
struct Codec<double> {
    static Node encode(double v) { return makeReal(v); }
    static double decode(plist_t n) { return readReal(n); }
};

template <>
struct Codec<float> {
    static Node encode(float v) { return makeReal(static_cast<double>(v)); }
    static float decode(plist_t n);
};

template <>
struct Codec<std::string> {
    static Node encode(const std::string& v) { return makeString(v); }
    static std::string decode(plist_t n) { return readString(n); }
};

template <>
struct Codec<Bytes> {
    static Node encode(const Bytes& v) { return makeData(v); }
    static Bytes decode(plist_t n) { return readData(n); }
};

// {"relative": text} plus a nested "base" when the URL has one.
template <>
struct Codec<Url> {
    static Node encode(const Url& v);
    static Url decode(plist_t n);
};

template <class E>
struct Codec<E, std::enable_if_t<std::is_enum_v<E>>> {
    static Node encode(E v) { return makeSigned(EnumTraits<E>::raw(v)); }
    static E decode(plist_t n) {
        auto e = EnumTraits<E>::fromRaw(readSigned(n));
        if (!e) throw CodingError("enumeration value has no case");
        return *e;
    }
};

// ---- containers ----

template <class T>
struct Codec<std::vector<T>> {
    static Node encode(const std::vector<T>& v) {
        Node a = newArray();
        reserve(a, v.size());
        for (const auto& e : v) arrayAppend(a, Codec<T>::encode(e));
        return a;
    }
    static std::vector<T> decode(plist_t n) {
        if (!isArray(n)) throw CodingError("expected an array");
        std::vector<T> out;
        const std::size_t count = arraySize(n);
        out.reserve(count);
        for (std::size_t i = 0; i < count; ++i) out.push_back(Codec<T>::decode(arrayItem(n, i)));
        return out;
    }
};

std::int64_t parseDecimalKey(const std::string& text);

template <class K, class V>
struct Codec<std::map<K, V>> {
    static Node encode(const std::map<K, V>& m) {
        if constexpr (std::is_same_v<K, std::string>) {
            Node d = newDict();
            reserve(d, m.size());
            for (const auto& [k, v] : m) dictAppend(d, k, Codec<V>::encode(v));
            return d;
        } else if constexpr (std::is_same_v<K, std::int64_t>) {
            Node d = newDict();
            reserve(d, m.size());
            for (const auto& [k, v] : m) dictAppend(d, std::to_string(k), Codec<V>::encode(v));
            return d;
        } else {
            Node a = newArray();
            reserve(a, 2 * m.size());
            for (const auto& [k, v] : m) {
                arrayAppend(a, Codec<K>::encode(k));
                arrayAppend(a, Codec<V>::encode(v));
            }
            return a;
        }
    }
    static std::map<K, V> decode(plist_t n) {
        std::map<K, V> out;
        if constexpr (std::is_same_v<K, std::string> || std::is_same_v<K, std::int64_t>) {
            if (!isDict(n)) throw CodingError("expected a dictionary");
            for (auto& [key, value] : dictEntries(n)) {
                if constexpr (std::is_same_v<K, std::string>) {
                    out.insert_or_assign(key, Codec<V>::decode(value));
                } else {
                    out.insert_or_assign(parseDecimalKey(key), Codec<V>::decode(value));
                }
            }
        } else {
            if (!isArray(n)) throw CodingError("expected a key-value array");
            const std::size_t count = arraySize(n);
            if (count % 2 != 0) throw CodingError("odd element count in a key-value array");
            for (std::size_t i = 0; i < count; i += 2) {
                K key = Codec<K>::decode(arrayItem(n, i));
                out.insert_or_assign(std::move(key), Codec<V>::decode(arrayItem(n, i + 1)));
            }
        }
        return out;
    }
};

// ---- class types ----

template <class T>
struct Codec<T, std::enable_if_t<std::is_class_v<T> && std::is_same_v<decltype(T::decode(std::declval<const KeyedDecoder&>())), T>>> {
    static Node encode(const T& v) {
        KeyedEncoder e;
        v.encode(e);
        return e.take();
    }
    static T decode(plist_t n) { return T::decode(KeyedDecoder(n)); }
};

// ---- top level ----

// Encodes a value as a binary property list; throws CodingError.
template <class T>
Bytes encodeBinary(const T& value) {
    return toBinary(Codec<T>::encode(value));
}

// Decodes a value from a property list of any format; throws CodingError.
template <class T>
T decode(const Bytes& bytes) {
    Node root = parse(bytes);
    return Codec<T>::decode(root.get());
}

template <class T>
std::optional<T> tryDecode(const Bytes& bytes) {
    try {
        return decode<T>(bytes);
    } catch (const CodingError&) {
        return std::nullopt;
    }
}

template <class T>
std::optional<Bytes> tryEncode(const T& value) {
    try {
        return encodeBinary(value);
    } catch (const CodingError&) {
        return std::nullopt;
    }
}

} // namespace corv::plist
