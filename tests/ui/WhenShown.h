#pragma once

// Acts on a menu or dialog a click is about to open: its exec() holds the
// test's stack until it closes, so the step runs inside its own loop, once
// the window is up, rather than after a guessed delay.

#include <QApplication>
#include <QPointer>
#include <QMenu>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace corv::test {

// Runs `step` on the next window of type T shown while this lives; the
// window is closed (a failure) if the step leaves it open.
template <class T>
class WhenShown final : public QObject {
public:
    explicit WhenShown(std::function<void(T*)> step) : step_(std::move(step)) { qApp->installEventFilter(this); }
    bool ran() const { return ran_; }

protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        auto* w = e->type() == QEvent::Show ? qobject_cast<T*>(o) : nullptr;
        if (!w || !w->isWindow() || !step_) return false;
        // Posted now, taken first by the loop exec() starts.
        QMetaObject::invokeMethod(
            this,
            [this, w = QPointer<T>(w), step = std::exchange(step_, {})] {
                if (w && QTest::qWaitForWindowExposed(w)) step(w);
                ran_ = true;
                if (QTest::qWaitFor([&] { return !w || !w->isVisible(); }, 5000)) return;
                ADD_FAILURE() << "left open: " << w->metaObject()->className();
                w->close();
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    std::function<void(T*)> step_;
    bool ran_ = false;
};

} // namespace corv::test
