#pragma once

// An installed or running application the user can pick.

#include "platform/Url.h"

#include <cstddef>
#include <functional>
#include <string>

namespace corv {

struct Application {
    Url url;
    std::string name;
    // The bundle identifier, or a substitute for a running application
    // without one.
    std::string id;

    bool operator==(const Application&) const = default;
};

// A strict order: name, then id, then the url.
struct ApplicationOrder {
    bool operator()(const Application& a, const Application& b) const;
};

} // namespace corv

namespace std {
template <>
struct hash<corv::Application> {
    // Combines url, name and id in this order.
    size_t operator()(const corv::Application& app) const noexcept;
};
} // namespace std
