#pragma once

// The setting controls of every tab: a check-box row (in the primary colour
// or one of the caller's) and a stepped integer slider. The caller passes
// the value's getter and setter; `refresh()` re-reads it after any change.

#include "ui/tabs/settings/ControlRules.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QToolButton;

namespace corv::ui::settings {

struct ToggleSpec {
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
    ToggleCombo(ToggleSpec desc, QWidget* parent);

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

protected:
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    class Box;
    void fitTitle();

    ToggleSpec spec_;
    ToggleState state_;
    bool on_;
    Box* box_;
    QLabel* title_;
    QToolButton* help_ = nullptr;
};

struct SliderSpec {
    std::int64_t low = 0;
    std::int64_t high = 1;
    std::int64_t interval = 1;
    std::function<std::int64_t()> get;
    std::function<void(std::int64_t)> set;
    std::function<bool()> enabled;
    QColor color = Qt::white;
    // At the end of every press.
    std::function<void()> update;
    // After every change of the value.
    std::function<void()> rtUpdate;
    int height = 16;
};

class IntSlider final : public QWidget {
public:
    IntSlider(SliderSpec desc, QWidget* parent);

    // Reads the value; a change since the last look runs `rtUpdate`.
    void refresh();
    std::int64_t shownValue() const { return seen_; }
    bool isOn() const { return en_; }
    double fillFraction() const { return model_.fraction(seen_); }
    QColor fillColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void write(std::optional<std::int64_t> v);

    SliderSpec spec_;
    IntSliderModel model_;
    std::int64_t seen_;
    bool en_ = true;
    bool pressed_ = false;
    double pressX_ = 0;
};

// The help symbol of the settings rows: shows or hides the big hint.
QToolButton* makeHelpButton(const std::string& text, QWidget* parent);

} // namespace corv::ui::settings
