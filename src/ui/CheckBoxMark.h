#pragma once

// The panel's check box: a drawn box with a checkmark.

#include <QColor>
#include <QToolButton>

namespace corv::ui {

// A 20 × 20 box with a checkmark when on; the outline stays when off.
class CheckBoxMark : public QToolButton {
public:
    explicit CheckBoxMark(QWidget* parent);
    void setOn(bool on);
    bool isOn() const { return on_; }
    void setColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool on_ = false;
    QColor color_;
};

} // namespace corv::ui
