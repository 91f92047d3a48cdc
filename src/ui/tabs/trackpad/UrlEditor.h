#pragma once

// The editor block below a highlighted "Url" row: the name line and the
// target line (URL, path or Shortcut), each with a paste button.

#include "ui/tabs/trackpad/UrlEditorRules.h"
#include "ui/SymbolButton.h"

#include <QWidget>

#include <optional>

namespace corv::ui {
class SelectAllTextField;
}

namespace corv::ui::trackpad {


class UrlEditor : public QWidget {
public:
    UrlEditor(const RowRef& row, QWidget* parent);
    // Leaving: the fields store their last texts one turn later, and a
    // global row's edit is carried over two turns later.
    ~UrlEditor() override;

    // The row as rebuilt; fields follow the stored texts they do not show yet.
    void setRow(const RowRef& row);

    SelectAllTextField* nameField() const { return name_; }
    SelectAllTextField* targetField() const { return target_; }
    SymbolButton* pasteButton(UrlField f) const { return f == UrlField::Name ? pasteName_ : pasteTarget_; }

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    SelectAllTextField* makeField(UrlField f, const char* placeholder);
    void paste(UrlField f);
    void syncFields();

    RowRef row_;
    std::optional<BindAction> remembered_;
    SelectAllTextField* name_ = nullptr;
    SelectAllTextField* target_ = nullptr;
    SymbolButton* pasteName_ = nullptr;
    SymbolButton* pasteTarget_ = nullptr;
    SymbolButton* help_ = nullptr;
};

} // namespace corv::ui::trackpad
