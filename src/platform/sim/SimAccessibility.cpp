#include "platform/sim/SimAccessibility.h"

#include "platform/sim/TakeFront.h"

namespace corv::sim {

using platform::AXElement;
using platform::AXValue;

SimAccessibility::Element* SimAccessibility::find(AXElement e) {
    auto it = elements_.find(e.id);
    return it == elements_.end() ? nullptr : &it->second;
}

AXElement SimAccessibility::addElement(std::int32_t pid, std::optional<std::uint32_t> windowId) {
    const AXElement e{nextId_++};
    elements_[e.id] = Element{pid, windowId, {}};
    return e;
}

AXElement SimAccessibility::addApplication(std::int32_t pid) {
    const AXElement app = addElement(pid);
    element(app).attributes["AXRole"] = std::string("AXApplication");
    element(app).attributes["AXWindows"] = std::vector<AXElement>{};
    applications_[pid] = app;
    return app;
}

AXElement SimAccessibility::addWindow(AXElement app, std::uint32_t windowId) {
    const AXElement w = addElement(element(app).pid, windowId);
    element(w).attributes["AXRole"] = std::string("AXWindow");
    auto& list = element(app).attributes["AXWindows"];
    if (!std::holds_alternative<std::vector<AXElement>>(list)) list = std::vector<AXElement>{};
    std::get<std::vector<AXElement>>(list).push_back(w);
    return w;
}

AXElement SimAccessibility::createApplication(std::int32_t pid) {
    auto it = applications_.find(pid);
    if (it != applications_.end()) return it->second;
    // An element that answers nothing.
    return AXElement{0};
}

std::optional<AXElement> SimAccessibility::elementAtPosition(AXElement root, float x, float y) {
    if (!trusted || root != kSystemWide) return std::nullopt;
    auto it = elementsAtPosition.find({x, y});
    if (it == elementsAtPosition.end()) return std::nullopt;
    return it->second;
}

std::optional<AXValue> SimAccessibility::copyAttributeValue(AXElement e, const std::string& attribute) {
    Element* el = trusted ? find(e) : nullptr;
    if (!el) return std::nullopt;
    auto it = el->attributes.find(attribute);
    if (it == el->attributes.end()) return std::nullopt;
    return it->second;
}

std::optional<std::vector<AXValue>> SimAccessibility::copyAttributeValues(AXElement e, const std::string& attribute,
                                                                          std::int64_t index,
                                                                          std::int64_t maxValues) {
    if (index < 0 || maxValues < 0) return std::nullopt;
    auto value = copyAttributeValue(e, attribute);
    if (!value) return std::nullopt;
    const auto* list = std::get_if<std::vector<AXElement>>(&*value);
    if (!list) return std::nullopt;
    std::vector<AXValue> out;
    const auto size = static_cast<std::int64_t>(list->size());
    for (std::int64_t i = index; i < size && i - index < maxValues; ++i)
        out.emplace_back((*list)[static_cast<std::size_t>(i)]);
    return out;
}

bool SimAccessibility::setAttributeValue(AXElement e, const std::string& attribute, const AXValue& value) {
    calls.push_back(Call{Call::Kind::SetAttribute, e, attribute, value});
    Element* el = trusted ? find(e) : nullptr;
    if (!el || !el->attributes.count(attribute)) return false;
    el->attributes[attribute] = value;
    return true;
}

bool SimAccessibility::performAction(AXElement e, const std::string& action) {
    calls.push_back(Call{Call::Kind::Action, e, action, {}});
    return trusted && find(e) != nullptr;
}

std::optional<std::int32_t> SimAccessibility::pid(AXElement e) {
    Element* el = trusted ? find(e) : nullptr;
    if (!el) return std::nullopt;
    return el->pid;
}

std::optional<std::uint32_t> SimAccessibility::windowId(AXElement e) {
    Element* el = trusted ? find(e) : nullptr;
    if (!el) return std::nullopt;
    return el->windowId;
}

SimAccessibility::Call SimAccessibility::takeCall() {
    return takeFront(calls, "the accessibility calls");
}

} // namespace corv::sim
