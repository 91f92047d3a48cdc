#pragma once

// The accessibility interface: elements of other applications' user
// interfaces, their attributes and actions. Every call may fail (no
// permission, an element that went away, an unsupported attribute).

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace corv::platform {

// An opaque handle of an accessibility element; equal handles are the same
// element.
struct AXElement {
    std::uint64_t id = 0;
    bool operator==(const AXElement&) const = default;
};

// An attribute value. The monostate is a read that succeeded with nothing.
using AXValue = std::variant<std::monostate, bool, std::int64_t, double, std::string, AXElement,
                             std::vector<AXElement>>;

class Accessibility {
public:
    virtual ~Accessibility() = default;

    // The element standing for the whole system.
    virtual AXElement systemWide() = 0;
    // The application element of a process; calls on it fail when the
    // process has none.
    virtual AXElement createApplication(std::int32_t pid) = 0;
    // The element at a point in global coordinates, asked of `root`.
    virtual std::optional<AXElement> elementAtPosition(AXElement root, float x, float y) = 0;

    virtual std::optional<AXValue> copyAttributeValue(AXElement element, const std::string& attribute) = 0;
    // At most `maxValues` entries of an array attribute, from `index`.
    virtual std::optional<std::vector<AXValue>> copyAttributeValues(AXElement element, const std::string& attribute,
                                                                    std::int64_t index, std::int64_t maxValues) = 0;
    virtual bool setAttributeValue(AXElement element, const std::string& attribute, const AXValue& value) = 0;
    virtual bool performAction(AXElement element, const std::string& action) = 0;

    virtual std::optional<std::int32_t> pid(AXElement element) = 0;
    // The window-server id of a window element.
    virtual std::optional<std::uint32_t> windowId(AXElement element) = 0;
};

} // namespace corv::platform
