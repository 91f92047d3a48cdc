#pragma once

// The check-box row of the tabs' settings, in the primary colour or one of
// the caller's. The caller passes the value's getter and setter; `refresh()`
// re-reads it after any change.

#include "ui/ToggleState.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class QToolButton;

namespace corv::ui {

struct ToggleDesc {
    std::function<bool()> get;
    std::function<void(bool)> set;
    QString title;
    // Help text; empty: no help symbol.
    std::string comment;
    // After each change of the value, with whether a click on this row made it.
    std::function<void(bool newValue, bool byClick)> onChange;
    // Box and title colour; invalid: the primary colour.
    QColor color;
};

class ToggleCombo final : public QWidget {
public:
    ToggleCombo(ToggleDesc desc, QWidget* parent);

    // Reads the value; a change since the last look is reported.
    void refresh();
    // A press on the row.
    void press();
    bool isOn() const { return on_; }
    // The box and title colour; invalid: the primary colour.
    void setColor(const QColor& color);
    QColor color() const;
    QLabel* titleLabel() const { return title_; }
    QToolButton* helpButton() const { return help_; }
    // As wide as the title at its full size, however far it has shrunk.
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    class Box;
    void fitTitle();

    ToggleDesc desc_;
    ToggleState state_;
    bool on_;
    Box* box_;
    QLabel* title_;
    QToolButton* help_ = nullptr;
};

} // namespace corv::ui
