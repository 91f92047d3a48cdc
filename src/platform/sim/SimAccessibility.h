#pragma once

#include "platform/Accessibility.h"

#include <deque>
#include <map>
#include <utility>

namespace corv::sim {

// A tree of elements the test builds: applications with windows, each with
// attributes. An absent attribute fails to read; a monostate value reads as
// nothing. Every action and attribute write is logged, in order.
class SimAccessibility final : public platform::Accessibility {
public:
    struct Element {
        std::int32_t pid = 0;
        std::optional<std::uint32_t> windowId;
        std::map<std::string, platform::AXValue> attributes;
    };
    struct Call {
        enum class Kind { Action, SetAttribute };
        Kind kind = Kind::Action;
        platform::AXElement element;
        std::string name;
        platform::AXValue value;  // the value written
        bool operator==(const Call&) const = default;
    };

    platform::AXElement systemWide() override { return kSystemWide; }
    platform::AXElement createApplication(std::int32_t pid) override;
    std::optional<platform::AXElement> elementAtPosition(platform::AXElement root, float x, float y) override;
    std::optional<platform::AXValue> copyAttributeValue(platform::AXElement element,
                                                        const std::string& attribute) override;
    std::optional<std::vector<platform::AXValue>> copyAttributeValues(platform::AXElement element,
                                                                      const std::string& attribute,
                                                                      std::int64_t index,
                                                                      std::int64_t maxValues) override;
    bool setAttributeValue(platform::AXElement element, const std::string& attribute,
                           const platform::AXValue& value) override;
    bool performAction(platform::AXElement element, const std::string& action) override;
    std::optional<std::int32_t> pid(platform::AXElement element) override;
    std::optional<std::uint32_t> windowId(platform::AXElement element) override;

    // An element of a process; not reachable until placed somewhere.
    platform::AXElement addElement(std::int32_t pid, std::optional<std::uint32_t> windowId = std::nullopt);
    // The application element `createApplication` gives for the pid, with an
    // empty "AXWindows".
    platform::AXElement addApplication(std::int32_t pid);
    // A window of the application, appended to its "AXWindows".
    platform::AXElement addWindow(platform::AXElement app, std::uint32_t windowId);
    Element& element(platform::AXElement e) { return elements_.at(e.id); }

    Call takeCall();

    static constexpr platform::AXElement kSystemWide{1};
    // false: every call fails, as without the permission.
    bool trusted = true;
    // What the element at a position is, keyed by the exact coordinates.
    std::map<std::pair<float, float>, platform::AXElement> elementsAtPosition;
    std::deque<Call> calls;

private:
    Element* find(platform::AXElement e);

    std::uint64_t nextId_ = 2;
    std::map<std::uint64_t, Element> elements_;
    std::map<std::int32_t, platform::AXElement> applications_;
};

} // namespace corv::sim
