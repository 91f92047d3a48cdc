#pragma once

#include "platform/Bytes.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace corv::platform {

// One value of the user defaults, as a property list can hold it.
using DefaultsValue = std::variant<std::int64_t, double, bool, std::string, Bytes>;

// The program's user-defaults domain.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    virtual std::optional<DefaultsValue> value(const std::string& key) const = 0;
    virtual void set(const std::string& key, DefaultsValue value) = 0;
    virtual void remove(const std::string& key) = 0;
    // Writes pending changes to storage; false when that failed.
    virtual bool synchronize() = 0;
    // The stored settings hold something that was not loaded: the next write
    // first keeps a copy of what is stored.
    virtual void keepCopyBeforeNextWrite() = 0;

    // Typed reads: a missing value or one of another type gives nothing.
    std::optional<std::int64_t> integer(const std::string& key) const;
    std::optional<Bytes> data(const std::string& key) const;

    void setInteger(const std::string& key, std::int64_t v) { set(key, DefaultsValue(v)); }
    void setData(const std::string& key, Bytes v) { set(key, DefaultsValue(std::move(v))); }
};

} // namespace corv::platform
