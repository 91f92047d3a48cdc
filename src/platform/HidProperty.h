#pragma once

// A HID service property value: an integer, a string, data, an array or a dictionary
// of such values.

#include "platform/Bytes.h"

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace corv::platform {

class HidProperty {
public:
    using Array = std::vector<HidProperty>;
    using Dict = std::map<std::string, HidProperty>;

    HidProperty() : v_(std::int64_t{0}) {}
    HidProperty(std::int64_t v) : v_(v) {}
    HidProperty(int v) : v_(std::int64_t{v}) {}
    HidProperty(std::string v) : v_(std::move(v)) {}
    HidProperty(const char* v) : v_(std::string(v)) {}
    HidProperty(Bytes v) : v_(std::move(v)) {}
    HidProperty(Array v) : v_(std::move(v)) {}
    HidProperty(Dict v) : v_(std::move(v)) {}

    // Each is null when the value is of another kind.
    const std::int64_t* integer() const { return std::get_if<std::int64_t>(&v_); }
    const std::string* string() const { return std::get_if<std::string>(&v_); }
    const Bytes* data() const { return std::get_if<Bytes>(&v_); }
    const Array* array() const { return std::get_if<Array>(&v_); }
    const Dict* dict() const { return std::get_if<Dict>(&v_); }

    bool operator==(const HidProperty& o) const { return v_ == o.v_; }

private:
    std::variant<std::int64_t, std::string, Bytes, Array, Dict> v_;
};

using HidPropertyDict = HidProperty::Dict;
using HidPropertyArray = HidProperty::Array;

} // namespace corv::platform
