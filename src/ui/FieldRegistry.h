#pragma once

// Text fields entered under a string tag, so that other code can later give
// one of them the keyboard focus with its text selected.

#include <map>
#include <string>

namespace corv::ui {

class FieldRegistry {
public:
    // What the registry needs of a field.
    class Field {
    public:
        virtual ~Field() = default;
        virtual bool inWindow() const = 0;
        // Becomes its window's focus with all its text selected.
        virtual void focusAndSelectAll() = 0;
    };

    static FieldRegistry& shared();

    // The field becomes the one under the tag (replacing any earlier one).
    void enter(const std::string& tag, Field* field);
    // The tag is dropped only while it still names this field; a field
    // leaves its window or ends through here.
    void leave(const std::string& tag, const Field* field);
    // Focuses the field under the tag with its text selected, at once;
    // nothing without such a field or when it is in no window.
    void focusField(const std::string& tag) const;

    Field* field(const std::string& tag) const;

private:
    std::map<std::string, Field*> fields_;
};

} // namespace corv::ui
