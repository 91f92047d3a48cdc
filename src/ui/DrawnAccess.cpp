#include "ui/DrawnAccess.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QVariant>
#include <QWidget>

namespace corv::ui {

namespace {

// The role, and whether the control is on, as the widget's properties.
constexpr char kRole[] = "corvDrawnRole", kOn[] = "corvDrawnOn";

class DrawnAccessible final : public QAccessibleWidget {
public:
    DrawnAccessible(QWidget* w, QAccessible::Role role) : QAccessibleWidget(w, role) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        const bool on = widget()->property(kOn).toBool();
        if (role() == QAccessible::CheckBox) {
            s.checkable = true;
            s.checked = on;
        } else {
            s.selectable = true;
            s.selected = on;
        }
        return s;
    }
    // Its own act comes first: a reader's "activate" is the first action.
    QStringList actionNames() const override { return QStringList(act()) << QAccessibleWidget::actionNames(); }
    void doAction(const QString& name) override {
        if (name != act()) return QAccessibleWidget::doAction(name);
        if (!widget()->isEnabled()) return;
        if (auto* b = qobject_cast<QAbstractButton*>(widget())) return b->click();
        // The drawn controls act on Space, as from the keyboard.
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QCoreApplication::sendEvent(widget(), &space);
    }

private:
    QString act() const { return role() == QAccessible::CheckBox ? toggleAction() : pressAction(); }
};

QAccessibleInterface* drawnFactory(const QString&, QObject* object) {
    auto* w = qobject_cast<QWidget*>(object);
    if (!w || !w->property(kRole).isValid()) return nullptr;
    return new DrawnAccessible(w, static_cast<QAccessible::Role>(w->property(kRole).toInt()));
}

void setState(QWidget* w, QAccessible::Role role, bool on) {
    static const bool installed = (QAccessible::installFactory(drawnFactory), true);
    (void)installed;
    const QVariant was = w->property(kOn);
    if (was.isValid() && was.toBool() == on) return;
    w->setProperty(kRole, int(role));
    w->setProperty(kOn, on);
    if (!was.isValid()) return;
    QAccessible::State changed;
    if (role == QAccessible::CheckBox) changed.checked = true;
    else changed.selected = true;
    QAccessibleStateChangeEvent ev(w, changed);
    QAccessible::updateAccessibility(&ev);
}

} // namespace

void setCheckState(QWidget* w, bool on) { setState(w, QAccessible::CheckBox, on); }

void setTabState(QWidget* w, bool selected) { setState(w, QAccessible::PageTab, selected); }

} // namespace corv::ui
