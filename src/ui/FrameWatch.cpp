#include "ui/FrameWatch.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace corv::ui {

namespace {

class FrameWatcher final : public QObject {
public:
    FrameWatcher(QWidget* widget, std::function<void(const platform::Rect&)> report)
        : QObject(widget), widget_(widget), report_(std::move(report)) {
        widget->installEventFilter(this);
        if (widget->window() != widget) widget->window()->installEventFilter(this);
        if (widget->isVisible()) schedule();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::ParentChange: schedule(); break;
        default: break;
        }
        return false;
    }

private:
    void schedule() {
        if (pending_) return;
        pending_ = true;
        QTimer::singleShot(0, this, [this] {
            pending_ = false;
            const platform::Rect f = globalFrame(widget_);
            if (last_ && *last_ == f) return;
            last_ = f;
            report_(f);
        });
    }

    QWidget* widget_;
    std::function<void(const platform::Rect&)> report_;
    std::optional<platform::Rect> last_;
    bool pending_ = false;
};

class ShowWatcher final : public QObject {
public:
    explicit ShowWatcher(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && !done_) {
            done_ = true;
            withHostingWindow(static_cast<QWidget*>(watched), [](QWidget* window) {
                if (!window) return;
                window->show();
                window->raise();
                window->activateWindow();
            });
        }
        return false;
    }

private:
    bool done_ = false;
};

} // namespace

platform::Rect globalFrame(const QWidget* widget) {
    const QPoint o = widget->mapToGlobal(QPoint(0, 0));
    return {double(o.x()), double(o.y()), double(widget->width()), double(widget->height())};
}

void onSizeChange(QWidget* widget, std::function<void(const platform::Rect&)> report) {
    new FrameWatcher(widget, std::move(report));
}

void withHostingWindow(QWidget* widget, std::function<void(QWidget*)> callback) {
    QTimer::singleShot(0, widget, [w = QPointer<QWidget>(widget), callback = std::move(callback)] {
        callback(w && w->isVisible() ? w->window() : nullptr);
    });
}

void makeKeyWindowWhenShown(QWidget* widget) { new ShowWatcher(widget); }

} // namespace corv::ui
