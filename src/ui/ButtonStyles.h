#pragma once

// The panel's four button looks, on one painted button.

#include <QAbstractButton>
#include <QColor>

namespace corv::ui {

enum class ButtonStyle {
    Help,     // padded outline, inherited colour, one look in every state
    Image,    // bare label in the style colour
    MyImage,  // padded label with an outline of radius 4 in the style colour
    My,       // full-width one-line label with an outline of radius 5
};

enum class StyleTone { Dim, Secondary, Primary };

// The style colour: dim when disabled (pressing ignored), secondary while
// pressed, primary otherwise.
constexpr StyleTone styleTone(bool enabled, bool pressed) {
    return !enabled ? StyleTone::Dim : pressed ? StyleTone::Secondary : StyleTone::Primary;
}

QColor toneColor(StyleTone tone);

class StyledButton : public QAbstractButton {
public:
    StyledButton(ButtonStyle style, QWidget* parent = nullptr);
    // The label is the symbol when set, else the text.
    void setSymbol(const QString& name, double pointSize = 13);
    ButtonStyle style() const { return style_; }
    // The colour the label is drawn in now.
    QColor labelColor() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QSize labelSize() const;

    ButtonStyle style_;
    QString symbol_;
    double symbolSize_ = 13;
};

} // namespace corv::ui
