#include "ui/CheckAccess.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QVariant>
#include <QWidget>

namespace corv::ui {

namespace {

constexpr char kChecked[] = "corvChecked";

class CheckAccessible final : public QAccessibleWidget {
public:
    explicit CheckAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::CheckBox) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = widget()->property(kChecked).toBool();
        return s;
    }
    // Toggling comes first: a reader's "activate" is the first action.
    QStringList actionNames() const override { return QStringList(toggleAction()) << QAccessibleWidget::actionNames(); }
    void doAction(const QString& name) override {
        if (name != toggleAction()) return QAccessibleWidget::doAction(name);
        if (!widget()->isEnabled()) return;
        if (auto* b = qobject_cast<QAbstractButton*>(widget())) return b->click();
        // The drawn rows act on Space, as from the keyboard.
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(widget(), &space);
    }
};

QAccessibleInterface* checkFactory(const QString&, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    return w && w->property(kChecked).isValid() ? new CheckAccessible(w) : nullptr;
}

} // namespace

void setCheckState(QWidget* w, bool on) {
    static const bool installed = (QAccessible::installFactory(checkFactory), true);
    (void)installed;
    const QVariant was = w->property(kChecked);
    if (was.isValid() && was.toBool() == on) return;
    w->setProperty(kChecked, on);
    if (!was.isValid()) return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent ev(w, changed);
    QAccessible::updateAccessibility(&ev);
}

} // namespace corv::ui
