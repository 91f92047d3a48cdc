#include "ui/RoundedOutline.h"

#include "platform/Platform.h"
#include "platform/Windows.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>

namespace corv::ui {

namespace {

QPainterPath outlineOf(const QWidget& w, double radius) {
    QPainterPath outline;
    outline.addRoundedRect(QRectF(w.rect()), radius, radius);
    return outline;
}

// Clears what lies under it outside the outline.
class Wiper final : public QWidget {
public:
    Wiper(QWidget* parent, double radius) : QWidget(parent), radius_(radius) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainterPath outside;
        outside.addRect(QRectF(rect()));
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        p.fillPath(outside.subtracted(outlineOf(*this, radius_)), Qt::black);
    }

private:
    double radius_;
};

} // namespace

RoundedOutline::RoundedOutline(QWidget* window, double radius)
    : QObject(window), window_(window), radius_(radius), wiper_(new Wiper(window, radius)) {
    wiper_->hide();
    window->installEventFilter(this);
}

bool RoundedOutline::eventFilter(QObject* watched, QEvent* e) {
    if (watched != window_) return false;
    if (e->type() == QEvent::Show) {
        // Asked at each showing: a compositor may have come or gone.
        composited_ = !platform::installed() || platform::windows().composited();
        apply();
    } else if (e->type() == QEvent::Resize) {
        apply();
    } else if (e->type() == QEvent::ChildAdded && wiper_->isVisible()) {
        wiper_->raise();
    }
    return false;
}

void RoundedOutline::apply() {
    if (composited_) {
        window_->clearMask();
        wiper_->setGeometry(window_->rect());
        wiper_->raise();
        wiper_->show();
        return;
    }
    wiper_->hide();
    window_->setMask(QRegion(outlineOf(*window_, radius_).toFillPolygon().toPolygon()));
}

} // namespace corv::ui
