#include "ui/TabKeys.h"

#include "ui/CustomTabView.h"
#include "ui/ReadingOrder.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMenu>

namespace corv::ui {

namespace {

class TabKeys final : public QObject {
public:
    explicit TabKeys(CustomTabView* view) : QObject(view), view_(view) { qApp->installEventFilter(this); }

    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::KeyPress || !o->isWidgetType()) return false;
        QWidget* window = static_cast<QWidget*>(o)->window();
        if (!view_->isVisible() || !ownedByPanel(window)) return false;
        const auto* k = static_cast<QKeyEvent*>(e);
        const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
        const int key = k->key();
        const bool tab = key == Qt::Key_Tab || key == Qt::Key_Backtab;
        // Tab goes in reading order in the panel and in the popups it opened.
        if (tab && !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)))
            return focusNextStop(window == view_->window() ? view_ : window,
                                 key == Qt::Key_Tab && !(mods & Qt::ShiftModifier));
        if (window != view_->window()) return false;
        if (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
            const bool back = key == Qt::Key_Backtab || mods & Qt::ShiftModifier;
            if (tab) return switchTab(back ? -1 : 1);
            if (mods == Qt::ControlModifier && (key == Qt::Key_PageDown || key == Qt::Key_PageUp))
                return switchTab(key == Qt::Key_PageDown ? 1 : -1);
        }
        if (mods == Qt::NoModifier && (key == Qt::Key_Left || key == Qt::Key_Right)) {
            TabBar* bar = view_->bar();
            for (int i = 0; i < bar->count(); ++i)
                if (bar->button(i) == QApplication::focusWidget()) {
                    const int to = key == Qt::Key_Right ? i + 1 : i - 1;
                    if (to < 0 || to >= bar->count()) return true;
                    view_->select(to);
                    bar->button(to)->setFocus(Qt::TabFocusReason);
                    return true;
                }
        }
        return false;
    }

private:
    // The panel's window, or a popup opened from it (menus and dialogs keep
    // their own keys).
    bool ownedByPanel(QWidget* window) const {
        if (qobject_cast<QMenu*>(window) || qobject_cast<QDialog*>(window)) return false;
        while (window && window != view_->window())
            window = window->parentWidget() ? window->parentWidget()->window() : nullptr;
        return window != nullptr;
    }

    // On a later turn: the tab's content, which may hold the key's
    // receiver, goes. The focus comes to the tab's button.
    bool switchTab(int by) {
        QMetaObject::invokeMethod(this, [this, by] {
            const int n = view_->bar()->count();
            if (n == 0) return;
            const int to = ((view_->shownIndex() + by) % n + n) % n;
            view_->select(to);
            view_->bar()->button(to)->setFocus(Qt::TabFocusReason);
        }, Qt::QueuedConnection);
        return true;
    }

    CustomTabView* view_;
};

} // namespace

void installTabKeys(CustomTabView* view) { new TabKeys(view); }

} // namespace corv::ui
