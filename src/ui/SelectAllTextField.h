#pragma once

// The panel's one-line text field: keeps its text binding in step with every
// keystroke, flattens the text to one trimmed line when editing ends, can
// focus itself with its text selected when it first enters a window, is
// entered in the field registry under its tag, and reports its text when it
// leaves its window.

#include "ui/FieldRegistry.h"

#include <QColor>
#include <QLineEdit>

#include <functional>
#include <string>

namespace corv::ui {

struct TextFieldSetup {
    std::string placeholder;
    bool autoFocus = false;
    std::string fieldTag;
    // Told the final, flattened text when editing ends.
    std::function<void(const std::string&)> onEndEditing;
    // Told the text as shown when the field leaves its window.
    std::function<void(const std::string&)> onDisappear;
};

class SelectAllTextField final : public QLineEdit, public FieldRegistry::Field {
public:
    // `setText` is the binding's write; the setup is applied once, here.
    SelectAllTextField(TextFieldSetup setup, std::function<void(const std::string&)> setText,
                       QWidget* parent = nullptr);
    ~SelectAllTextField() override;

    // An update from the binding: the text when it differs, and the colour.
    void update(const std::string& text, const QColor& color);

    bool inWindow() const override;
    void focusAndSelectAll() override;

    const std::string& fieldTag() const { return setup_.fieldTag; }

protected:
    bool event(QEvent* e) override;

private:
    void endEditing();
    void leftWindow();

    TextFieldSetup setup_;
    std::function<void(const std::string&)> setText_;
    bool didSetup_ = false;
    bool inRegistry_ = true;
};

} // namespace corv::ui
