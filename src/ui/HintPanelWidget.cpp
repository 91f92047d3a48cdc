#include "ui/HintPanelWidget.h"

#include "platform/Localization.h"

#include "ui/FrameWatch.h"
#include "ui/RoundedOutline.h"
#include "ui/SymbolButton.h"
#include "ui/Theme.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QAbstractButton>
#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScreen>
#include <QVBoxLayout>

#include <memory>

namespace corv::ui {

namespace {

constexpr int kWideWidth = 300;

// The hint's text is drawn light whatever the desktop's colours.
QColor hintTextColor() { return QColor(235, 235, 245, 153); }

class HoverHint final : public QObject {
public:
    HoverHint(QWidget* widget, std::string text, bool big)
        : QObject(widget), text_(std::move(text)), big_(big) {
        widget->setAttribute(Qt::WA_Hover);
        widget->installEventFilter(this);
        onSizeChange(widget, [this](const platform::Rect& f) { frame_ = f; });
    }
    // A control that goes (its tab left, its row removed) while the pointer
    // is on it is left.
    ~HoverHint() override { report(false); }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Enter: report(true); break;
        // A control hidden gets no Leave.
        case QEvent::Leave:
        case QEvent::Hide: report(false); break;
        default: break;
        }
        return false;
    }

private:
    void report(bool hovering) {
        if (hovering == hovering_) return;
        hovering_ = hovering;
        QPointer<HoverHint> self(this);
        HintWinManager::shared().hover(hovering, text_, big_, [self] { return self ? self->frame_ : platform::Rect{}; });
    }

    std::string text_;
    bool big_;
    bool hovering_ = false;
    platform::Rect frame_;
};

} // namespace

HintPanelWidget::HintPanelWidget()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput),
      label_(new QLabel(this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    new RoundedOutline(this, 8);
    setFocusPolicy(Qt::NoFocus);
    setWindowOpacity(0.0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(label_);
    label_->setFont(systemFont(13));
    QPalette pal = label_->palette();
    pal.setColor(QPalette::WindowText, hintTextColor());
    label_->setPalette(pal);
}

HintPanelWidget::~HintPanelWidget() {
    if (HintWinManager::shared().panel() == this) HintWinManager::shared().setPanel(nullptr);
}

void HintPanelWidget::setContent(const std::string& text, bool big) {
    const QString s = QString::fromStdString(text);
    label_->setWordWrap(big);
    if (big) {
        label_->setFixedWidth(kWideWidth);
    } else {
        label_->setMinimumWidth(0);
        label_->setMaximumWidth(QWIDGETSIZE_MAX);
    }
    // Line spacing of 3 points over the font's own.
    label_->setText(big ? QStringLiteral("<div style=\"line-height:%1px\">%2</div>")
                              .arg(QFontMetrics(label_->font()).lineSpacing() + 3)
                              .arg(s.toHtmlEscaped())
                        : s);
    label_->setTextFormat(big ? Qt::RichText : Qt::PlainText);
    adjustSize();
}

void HintPanelWidget::clearContent() {
    label_->clear();
    adjustSize();
}

QString HintPanelWidget::text() const { return label_->text(); }

HintSize HintPanelWidget::size() const { return {double(width()), double(height())}; }

platform::Point HintPanelWidget::pointer() const {
    const QPoint p = QCursor::pos();
    return {double(p.x()), double(p.y())};
}

std::vector<platform::Rect> HintPanelWidget::screens() const {
    std::vector<platform::Rect> out;
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRect g = s->geometry();
        out.push_back({double(g.x()), double(g.y()), double(g.width()), double(g.height())});
    }
    return out;
}

void HintPanelWidget::orderFront(platform::Point origin) {
    move(int(origin.x), int(origin.y));
    show();
    raise();
}

void HintPanelWidget::fadeTo(double alpha, double seconds) {
    if (fade_) fade_->stop();
    auto* fade = new QPropertyAnimation(this, "windowOpacity", this);
    fade->setDuration(int(seconds * 1000));
    fade->setEndValue(alpha);
    fade_ = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void HintPanelWidget::orderOut() {
    if (fade_) fade_->stop();
    hide();
}

void HintPanelWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    p.fillPath(shape, QColor(0, 0, 0, 153));
    p.setPen(QPen(hintTextColor(), 1));
    p.drawPath(shape);
}

namespace {

// A menu or popover that opens takes the hint down: it is what the user
// looks at now, and the hint would lie over it.
class PopupHidesHint final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() != QEvent::Show) return false;
        auto* w = qobject_cast<QWidget*>(o);
        if (w && w->isWindow() && w->windowType() == Qt::Popup) HintWinManager::shared().dismiss();
        return false;
    }
};

} // namespace

void installHintPanel() {
    static HintPanelWidget* panel = nullptr;
    if (!panel) {
        panel = new HintPanelWidget;
        qApp->installEventFilter(new PopupHidesHint(qApp));
    }
    HintWinManager::shared().setPanel(panel);
}

void attachHint(QWidget* widget, const QString& text, bool big) {
    if (text.isEmpty()) return;
    new HoverHint(widget, text.toStdString(), big);
    // A control that shows only a symbol is named by its hint, a help mark
    // as help that reads the text.
    auto* button = qobject_cast<QAbstractButton*>(widget);
    if (!widget->accessibleName().isEmpty() || (button && !button->text().isEmpty())) return;
    auto* symbol = dynamic_cast<SymbolButton*>(widget);
    if (big && (!symbol || symbol->symbol() == Symbol::QuestionCircle)) {
        widget->setAccessibleName(QString::fromStdString(platform::localized("Accessible help")));
        widget->setAccessibleDescription(text);
    } else {
        widget->setAccessibleName(text);
    }
}

} // namespace corv::ui
