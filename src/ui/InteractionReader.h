#pragma once

// Makes a widget act at the start of a press: the action runs once at
// mouse-down, even if the pointer is dragged off before release. With
// `scaleEffect` the widget is drawn at 0.9 of its size while pressed.

#include "ui/PressReader.h"

#include <QObject>

#include <functional>

class QWidget;

namespace corv::ui {

class InteractionReader : public QObject {
public:
    InteractionReader(QWidget* target, std::function<void()> tapAction, bool scaleEffect);
    bool pressing() const { return reader_.pressing(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showScale();

    QWidget* target_;
    PressReader reader_;
    bool scaleEffect_;
};

// Attaches a reader owned by the widget.
InteractionReader* onPress(QWidget* target, std::function<void()> tapAction, bool scaleEffect = false);

} // namespace corv::ui
