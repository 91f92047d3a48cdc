#include "ui/FieldRegistry.h"

#include "model/Shared.h"

namespace corv::ui {

FieldRegistry& FieldRegistry::shared() { return Shared<FieldRegistry>::instance(); }

void FieldRegistry::enter(const std::string& tag, Field* field) {
    if (field) fields_[tag] = field;
}

void FieldRegistry::leave(const std::string& tag, const Field* field) {
    auto it = fields_.find(tag);
    if (it != fields_.end() && it->second == field) fields_.erase(it);
}

void FieldRegistry::focusField(const std::string& tag) const {
    Field* f = field(tag);
    if (f && f->inWindow()) f->focusAndSelectAll();
}

FieldRegistry::Field* FieldRegistry::field(const std::string& tag) const {
    auto it = fields_.find(tag);
    return it == fields_.end() ? nullptr : it->second;
}

} // namespace corv::ui
