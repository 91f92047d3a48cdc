#include "ui/FocusRing.h"

#include "ui/Theme.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollArea>
#include <QWidget>

namespace corv::ui {

namespace {

constexpr int kGap = 2;
constexpr int kWidth = 2;

// The outline, a child of the focused control's window above its siblings.
class Ring final : public QWidget {
public:
    explicit Ring(QWidget* window) : QWidget(window) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        const double inset = kWidth / 2.0;
        path.addRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 5, 5);
        p.setPen(QPen(accentColor(), kWidth));
        p.drawPath(path);
    }
};

class FocusRing final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* o, QEvent* e) override {
        switch (e->type()) {
        case QEvent::Polish:
            noClickFocus(o);
            break;
        case QEvent::FocusIn: {
            const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
            auto* w = qobject_cast<QWidget*>(o);
            // Once Tab was pressed, the keyboard leads until a click: the
            // arrows, a closed menu or dialog give the focus back with the ring.
            if (w && w == QApplication::focusWidget() && keyboard_ && why != Qt::MouseFocusReason)
                showAround(w);
            else if (w == QApplication::focusWidget())
                hide();
            break;
        }
        case QEvent::FocusOut:
            if (o == target_) hide();
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Tab || key == Qt::Key_Backtab) keyboard_ = true;
            break;
        }
        case QEvent::MouseButtonPress:
            keyboard_ = false;
            hide();
            break;
        case QEvent::Move:
        case QEvent::Resize:
            if (o == target_) place();
            break;
        case QEvent::Hide:
            if (o == target_ || (target_ && o == target_->window())) hide();
            break;
        default:
            break;
        }
        return false;
    }

private:
    // A button takes the focus from the keyboard only, and a scroll area
    // none: Tab passes through it to its controls (dialogs keep theirs).
    static void noClickFocus(QObject* o) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || qobject_cast<QDialog*>(w->window())) return;
        if (qobject_cast<QScrollArea*>(w)) w->setFocusPolicy(Qt::NoFocus);
        else if (qobject_cast<QAbstractButton*>(w) && (w->focusPolicy() & Qt::ClickFocus)) w->setFocusPolicy(Qt::TabFocus);
    }

    void showAround(QWidget* w) {
        QWidget* window = w->window();
        if (!ring_ || ring_->parentWidget() != window) {
            delete ring_;
            ring_ = new Ring(window);
        }
        target_ = w;
        place();
        ring_->show();
        ring_->raise();
    }

    void place() {
        if (!ring_ || !target_) return;
        const QPoint at = target_->mapTo(ring_->parentWidget(), QPoint(0, 0));
        ring_->setGeometry(QRect(at, target_->size()).adjusted(-kGap, -kGap, kGap, kGap));
    }

    void hide() {
        if (ring_) ring_->hide();
        target_ = nullptr;
    }

    QPointer<QWidget> target_;
    QPointer<Ring> ring_;
    // Tab or Backtab was pressed, and no click came after it.
    bool keyboard_ = false;
};

} // namespace

void installFocusRing() {
    static FocusRing* ring = nullptr;
    if (ring) return;
    ring = new FocusRing(qApp);
    qApp->installEventFilter(ring);
}

} // namespace corv::ui
