#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <functional>
#include <utility>

namespace corv::desktop {

// Calls back on each resize of a widget; goes with it.
class ResizeWatch final : public QObject {
public:
    ResizeWatch(QWidget* widget, std::function<void()> resized) : QObject(widget), resized_(std::move(resized)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Resize) resized_();
        return false;
    }

private:
    std::function<void()> resized_;
};

} // namespace corv::desktop
