#include "ui/KeyActivation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QWidget>

namespace corv::ui {

namespace {

bool isActKey(const QKeyEvent* k) {
    const int key = k->key();
    return (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) &&
           (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

class KeyAct final : public QObject {
public:
    KeyAct(QWidget* target, std::function<void()> action) : QObject(target), action_(std::move(action)) {
        target->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
        auto* k = static_cast<QKeyEvent*>(e);
        if (!isActKey(k)) return false;
        // The action may drop the control, and this filter with it.
        if (e->type() == QEvent::KeyPress && !k->isAutoRepeat()) action_();
        return true;
    }

private:
    std::function<void()> action_;
};

class ReturnPresses final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() != Qt::Key_Return && k->key() != Qt::Key_Enter) || !isActKey(k)) return false;
        auto* b = qobject_cast<QAbstractButton*>(o);
        if (!b || b != QApplication::focusWidget() || !b->isEnabled() || qobject_cast<QDialog*>(b->window()))
            return false;
        QKeyEvent space(e->type(), Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), k->isAutoRepeat());
        QApplication::sendEvent(b, &space);
        return true;
    }
};

} // namespace

void actOnKeys(QWidget* target, std::function<void()> action) {
    target->setFocusPolicy(Qt::TabFocus);
    new KeyAct(target, std::move(action));
}

void installReturnPresses() {
    static QObject* presses = nullptr;
    if (presses) return;
    presses = new ReturnPresses(qApp);
    qApp->installEventFilter(presses);
}

} // namespace corv::ui
