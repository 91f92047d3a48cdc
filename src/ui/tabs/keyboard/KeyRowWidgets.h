#pragma once

// The key rows' widgets: the general row (key cell, arrow, action cell,
// delete), the Logitech control row, and the "Url" editor below either. A
// cell's menu opens only while the cell (or the Logitech row) is
// highlighted; a press on it otherwise highlights it.

#include "ui/tabs/keyboard/KeyRows.h"
#include "ui/AccentMenu.h"
#include "ui/tabs/keyboard/KeyUrlEdits.h"

#include <QToolButton>
#include <QWidget>

#include <functional>
#include <optional>

namespace corv::ui {
class ConfirmDelButton;
class SelectAllTextField;
}

namespace corv::ui::keyboard {

QColor toneColor(Tone tone, const QColor& norm);

// A menu whose entries with the property "green" set are drawn green at 60 %.
class CellMenu;

// A menu button in a stroked frame; while not armed a press on it runs
// `onPress` (so does Space), and opens the menu only when `armsAndOpens`
// then answers true.
class CellButton : public QToolButton {
public:
    CellButton(int width, QWidget* parent);
    void setArmed(bool armed) { armed_ = armed; }
    void setLook(const QString& text, const QColor& frame, const QColor& label);
    AccentMenu* popup() const;
    std::function<void()> onPress;
    std::function<bool()> armsAndOpens;
    std::function<void()> onOpen;

protected:
    void mousePressEvent(QMouseEvent* e) override;
    // Space (and Return, which presses as Space) acts as a press.
    void keyPressEvent(QKeyEvent* e) override;

private:
    CellMenu* menu_;
    bool armed_ = false;
};

class KeyUrlEditor : public QWidget {
public:
    KeyUrlEditor(const KeySlotRef& slot, QWidget* parent);
    // The fields' last texts are stored one turn later; a global row's edit
    // is carried over two turns later.
    ~KeyUrlEditor() override;
    void sync();
    SelectAllTextField* field(UrlField f) const { return f == UrlField::Name ? name_ : target_; }

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    SelectAllTextField* makeField(UrlField f, const char* placeholder);
    KeySlotRef slot_;
    std::optional<BindAction> remembered_;
    SelectAllTextField* name_ = nullptr;
    SelectAllTextField* target_ = nullptr;
};

class GeneralKeyRow : public QWidget {
public:
    explicit GeneralKeyRow(QWidget* parent);
    void setRow(const KeyRow& row);
    const KeyRow& row() const { return row_; }
    CellButton* keyCell() const { return keyCell_; }
    CellButton* actionCell() const { return actionCell_; }
    ConfirmDelButton* deleteButton() const { return del_; }
    KeyUrlEditor* editor() const { return editor_; }

private:
    KeyRow row_;
    QWidget* line_;
    CellButton* keyCell_;
    CellButton* actionCell_;
    ConfirmDelButton* del_ = nullptr;
    KeyUrlEditor* editor_ = nullptr;
};

class QuirkKeyRow : public QWidget {
public:
    explicit QuirkKeyRow(QWidget* parent);
    void setRow(int optIdx, std::uint16_t cid);
    std::uint16_t cid() const { return slot_.cid; }
    CellButton* controlCell() const { return controlCell_; }
    CellButton* actionCell() const { return actionCell_; }
    ConfirmDelButton* deleteButton() const { return del_; }
    KeyUrlEditor* editor() const { return editor_; }

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    KeySlotRef slot_;
    CellButton* controlCell_;
    QWidget* arrow_;
    CellButton* actionCell_;
    ConfirmDelButton* del_;
    KeyUrlEditor* editor_ = nullptr;
};

// Fills an action menu for the slot as it stands now.
void fillKeyActionMenu(AccentMenu& menu, const KeySlotRef& slot);

} // namespace corv::ui::keyboard
