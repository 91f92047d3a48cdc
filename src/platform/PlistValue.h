#pragma once

// The in-memory form of a property list: one node per value, containers
// owning their children in order.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corv::plist {

struct Value {
    enum class Kind : std::uint8_t { Bool, Integer, Real, Date, String, Data, Array, Dict, Other };
    struct Entry {
        std::string key;  // empty in an array
        std::unique_ptr<Value> value;
    };

    explicit Value(Kind k) : kind(k) {}
    std::unique_ptr<Value> clone() const;

    Kind kind;
    bool flag = false;         // Bool: its value; Integer: negative (bits in two's complement)
    bool outOfRange = false;   // Integer: does not fit in 64 bits
    std::uint64_t bits = 0;    // Integer
    double real = 0;           // Real; Date: seconds since 2001-01-01
    std::string text;          // String: the bytes as read (UTF-8 when clean); Data: the bytes
    std::vector<Entry> entries;  // Array and Dict
};

} // namespace corv::plist
