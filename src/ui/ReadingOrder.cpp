#include "ui/ReadingOrder.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QLayout>
#include <QScrollArea>
#include <QSet>
#include <QWidget>

#include <algorithm>

namespace corv::ui {

namespace {

class Walk {
public:
    explicit Walk(QWidget* root) : root_(root) {}

    void widget(QWidget* w) {
        if (seen_.contains(w)) return;
        seen_.insert(w);
        if ((w->isWindow() && w != root_) || w->isHidden() || !w->isEnabled()) return;
        if ((w->focusPolicy() & Qt::TabFocus) && !qobject_cast<QAbstractScrollArea*>(w)) stops.push_back(w);
        if (QLayout* l = w->layout()) layout(l);
        for (QObject* c : w->children())
            if (c->isWidgetType()) widget(static_cast<QWidget*>(c));
    }

    std::vector<QWidget*> stops;

private:
    void layout(QLayout* l) {
        for (int i = 0; i < l->count(); ++i) {
            QLayoutItem* item = l->itemAt(i);
            if (QWidget* w = item->widget()) widget(w);
            else if (QLayout* inner = item->layout()) layout(inner);
        }
    }

    QWidget* root_;
    QSet<QWidget*> seen_;
};

} // namespace

std::vector<QWidget*> tabStops(QWidget* root) {
    Walk walk(root);
    walk.widget(root);
    return walk.stops;
}

bool focusNextStop(QWidget* root, bool forward) {
    const std::vector<QWidget*> stops = tabStops(root);
    if (stops.empty()) return false;
    const int n = int(stops.size());
    // The stop holding the focus, or just outside the ends.
    int at = forward ? -1 : n;
    for (QWidget* f = QApplication::focusWidget(); f && f != root; f = f->parentWidget())
        if (auto it = std::find(stops.begin(), stops.end(), f); it != stops.end()) {
            at = int(it - stops.begin());
            break;
        }
    QWidget* next = stops[std::size_t(((forward ? at + 1 : at - 1) % n + n) % n)];
    next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    for (QWidget* p = next->parentWidget(); p && p != root; p = p->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(p)) area->ensureWidgetVisible(next);
    return true;
}

} // namespace corv::ui
