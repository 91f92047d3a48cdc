#include "model/ApplicationSets.h"
#include "model/Apps.h"
#include "model/InstalledAppScan.h"
#include "platform/Localization.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "recorders/BindingPaths.h"
#include "ui/RefreshLater.h"
#include "ui/tabs/exceptions/ExceptionsTab.h"

#include "ui/PopupPlacement.h"
#include "ui/ButtonStyles.h"
#include "ui/ConfirmDelButton.h"
#include "ui/InteractionReader.h"
#include "ui/KeyActivation.h"
#include "ui/Theme.h"
#include "ui/tabs/exceptions/AppPicker.h"
#include "ui/tabs/exceptions/AppPopovers.h"
#include "ui/tabs/trackpad/GestureRows.h"
#include "ui/CheckBoxMark.h"
#include "ui/AppIcon.h"
#include "ui/PanelScreen.h"
#include "ui/Symbols.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace corv::ui {

QWidget* makeExceptionsTab(QWidget* parent) { return new exceptions::ExceptionsTab(parent); }

namespace exceptions {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// A tinted rounded ground while the pointer is over it.
class HoverArea : public QWidget {
public:
    explicit HoverArea(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_Hover); }
    bool hovered = false;
    // A popup held the pointer: no leave came while it was open.
    void followPointer() {
        const bool in = isVisible() && rect().contains(mapFromGlobal(QCursor::pos()));
        if (in == hovered) return;
        hovered = in;
        update();
    }

protected:
    void enterEvent(QEnterEvent*) override {
        hovered = true;
        update();
    }
    void leaveEvent(QEvent*) override {
        hovered = false;
        update();
    }
    void paintEvent(QPaintEvent*) override {
        if (!hovered) return;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor c = accentTextColor();
        c.setAlphaF(0.2);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 8, 8);
        p.fillPath(path, c);
    }
};

// The padding round a button, the row's full height: a click on it is a
// click on the button.
class HitArea : public QWidget {
public:
    using QWidget::QWidget;
    QAbstractButton* button = nullptr;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (button && rect().contains(e->position().toPoint())) button->click();
    }
};

// A plain symbol button drawn in its text colour.
class GlyphButton : public QAbstractButton {
public:
    GlyphButton(QString symbol, double size, QWidget* parent)
        : QAbstractButton(parent), symbol_(std::move(symbol)), size_(size) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QPixmap pm = symbolPixmap(symbol_, size_, palette().color(QPalette::WindowText), true);
        const QSizeF s = pm.deviceIndependentSize();
        p.drawPixmap(QPointF((width() - s.width()) / 2, (height() - s.height()) / 2), pm);
    }

private:
    QString symbol_;
    double size_;
};

} // namespace

// ---- Row

struct AppRow::Popups {
    QPointer<GesturePopover> gesture;
    QPointer<KeyPopover> key;
};

AppRow::AppRow(const std::string& appid, QWidget* parent)
    : QWidget(parent), appid_(appid), gesCapture_(appid, Capture::Gesture), keyCapture_(appid, Capture::Key),
      popups_(std::make_unique<Popups>()) {
    setObjectName(q("appRow_" + appid));
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(10, 0, 10, 0);
    h->setSpacing(0);

    auto* checkArea = new HitArea(this);
    auto* cv = new QHBoxLayout(checkArea);
    cv->setContentsMargins(3, 0, 5, 0);
    check_ = new CheckBoxMark(checkArea);
    check_->setColor(primaryColor());
    checkArea->button = check_;
    cv->addWidget(check_, 0, Qt::AlignVCenter);
    connect(check_, &QToolButton::clicked, this, [this] {
        recorders::editEntry(appid_, [](AnApp& e) {
            e.enabled = !e.enabled;
            return true;
        });
    });
    h->addWidget(checkArea);

    nameArea_ = new HoverArea(this);
    auto* nh = new QHBoxLayout(nameArea_);
    nh->setContentsMargins(4, 2, 6, 2);
    icon_ = new QLabel(nameArea_);
    icon_->setPixmap(appIcon(appPath(appid_), 32));
    name_ = new FittedLabel(nameArea_, 0.8);
    name_->setFont(systemFont(16, QFont::Light));
    name_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    nh->addWidget(icon_);
    nh->addWidget(name_, 1);
    h->addWidget(nameArea_, 1);
    // Opens at the start of the press; ignored while the popover is open.
    QPointer<AppRow> self = this;
    onPress(nameArea_, [self] {
        if (self) self->openGesturePopover();
    });
    actOnKeys(nameArea_, [self] {
        if (self) self->openGesturePopover();
    });

    // The keyboard glyph on its own hover ground.
    auto* keysArea = new HoverArea(this);
    auto* kh = new QHBoxLayout(keysArea);
    kh->setContentsMargins(0, 2, 0, 2);
    keys_ = new GlyphButton(QStringLiteral("keyboard"), 21, keysArea);
    keys_->setFixedSize(36, 28);
    keys_->setAccessibleName(q(platform::localized("Accessible key bindings")));
    kh->addWidget(keys_);
    connect(keys_, &QAbstractButton::clicked, this, [this] { openKeyPopover(); });
    h->addWidget(keysArea);

    del_ = new ConfirmDelButton(true, [id = appid_] { deleteApp(id); }, this);
    h->addSpacing(8);
    h->addWidget(del_);
    h->addSpacing(3);
    refresh();
}

AppRow::~AppRow() {
    // Popovers go with the row; their captures end here even while open.
    if (popups_->gesture) popups_->gesture->onClosed = nullptr;
    if (popups_->key) popups_->key->onClosed = nullptr;
    gesCapture_.end();
    keyCapture_.end();
}

void AppRow::refresh() {
    const AnApp* e = recorders::appEntry(appid_);
    if (!e) return;
    check_->setOn(e->enabled);
    name_->setText(q(appRowName(appid_)));
    nameArea_->setAccessibleName(name_->text());
    check_->setAccessibleName(name_->text());
    const QColor c = e->enabled ? primaryColor() : dimLabelColor();
    setTextColor(name_, c);
    setTextColor(keys_, c);
    keys_->update();
    del_->setColor(c);
}

void AppRow::openGesturePopover() {
    if (popups_->gesture || !recorders::appEntry(appid_)) return;
    gesCapture_.begin();
    auto* pop = new GesturePopover(appid_, this);
    pop->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<AppRow> self = this;
    pop->onClosed = [self, pop] {
        pop->deleteLater();
        if (!self) return;
        self->gesCapture_.end();
        self->popups_->gesture = nullptr;
        self->followPointer();
    };
    popups_->gesture = pop;
    pop->popUp(nameArea_);
}

void AppRow::openKeyPopover() {
    if (popups_->key || !recorders::appEntry(appid_)) return;
    keyCapture_.begin();
    auto* pop = new KeyPopover(appid_, this);
    pop->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<AppRow> self = this;
    pop->onClosed = [self, pop] {
        pop->deleteLater();
        if (!self) return;
        self->keyCapture_.end();
        self->popups_->key = nullptr;
        self->followPointer();
    };
    popups_->key = pop;
    pop->popUp(keys_);
}

void AppRow::followPointer() {
    for (QObject* o : children())
        if (auto* area = dynamic_cast<HoverArea*>(o)) area->followPointer();
}

GesturePopover* AppRow::gesturePopover() const { return popups_->gesture; }
KeyPopover* AppRow::keyPopover() const { return popups_->key; }

// ---- Tab

struct ExceptionsTab::State {
    std::vector<Subscription> subs;
    QPointer<AppPicker> picker;
};

ExceptionsTab::ExceptionsTab(QWidget* parent) : QWidget(parent), state_(std::make_unique<State>()) {
    setObjectName("exceptionsTab");
    setFixedWidth(kPanelWidth);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    auto* header = new QWidget(this);
    auto* h = new QHBoxLayout(header);
    h->setContentsMargins(20, 8, 20, 8);
    auto* installed = new StyledButton(ButtonStyle::Image, header);
    installed->setSymbol(QStringLiteral("plus.app"), 24.5);
    installed->setAccessibleName(q(platform::localized("Accessible add application")));
    addInstalled_ = installed;
    auto* running = new StyledButton(ButtonStyle::MyImage, header);
    running->setText(q(platform::localized("Button add running apps")));
    addRunning_ = running;
    auto* manual = new StyledButton(ButtonStyle::MyImage, header);
    manual->setText(q(platform::localized("Button add manually")));
    addManually_ = manual;
    h->addWidget(addInstalled_);
    h->addWidget(addRunning_);
    h->addWidget(addManually_);
    h->addStretch(1);
    v->addWidget(header);
    connect(addInstalled_, &QAbstractButton::clicked, this, [this] { showInstalledPicker(); });
    connect(addRunning_, &QAbstractButton::clicked, this, [this] { showRunningPicker(); });
    connect(addManually_, &QAbstractButton::clicked, this, [] { addAppManually(); });

    list_ = new QScrollArea(this);
    list_->setObjectName("appList");
    list_->setFrameShape(QFrame::NoFrame);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setWidgetResizable(true);
    list_->viewport()->setAutoFillBackground(false);
    content_ = new QWidget;
    auto* lv = new QVBoxLayout(content_);
    lv->setContentsMargins(0, 0, 0, 0);
    lv->setSpacing(0);
    lv->setAlignment(Qt::AlignTop);
    list_->setWidget(content_);
    content_->setAutoFillBackground(false);  // setWidget turns it on
    auto* pad = new QHBoxLayout;
    pad->setContentsMargins(10, 0, 10, 10);
    pad->addWidget(list_);
    v->addLayout(pad);

    state_->subs.push_back(Apps::shared().a.subscribe([this](const auto&) { scheduleRefresh(); }));
    refresh();
}

ExceptionsTab::~ExceptionsTab() { state_->subs.clear(); }

void ExceptionsTab::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    startInstalledScan();
}

void ExceptionsTab::scheduleRefresh() { refreshLater(this, &ExceptionsTab::refreshPending_, &ExceptionsTab::refresh); }

void ExceptionsTab::refresh() {
    auto* layout = static_cast<QVBoxLayout*>(content_->layout());
    while (QLayoutItem* item = layout->takeAt(0)) delete item;
    std::map<std::string, AppRow*> kept;
    order_.clear();
    for (const std::string& id : appListOrder(Apps::shared().a.get())) {
        auto it = rows_.find(id);
        AppRow* r = nullptr;
        if (it != rows_.end()) {
            r = it->second;
            rows_.erase(it);
        } else {
            r = new AppRow(id, content_);
        }
        r->refresh();
        layout->addWidget(r);
        r->show();
        kept[id] = r;
        order_.push_back(r);
    }
    for (auto& [id, r] : rows_) delete r;
    rows_ = std::move(kept);
    layout->activate();
    const int content = content_->sizeHint().height();
    const double max = exceptionsListMaxHeight(panelScreenHeight());
    const int h = std::isfinite(max) ? std::min(content, static_cast<int>(max)) : content;
    list_->setFixedHeight(h);
    list_->setVerticalScrollBarPolicy(content > h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    adjustSize();
}

AppRow* ExceptionsTab::row(const std::string& id) const {
    auto it = rows_.find(id);
    return it == rows_.end() ? nullptr : it->second;
}

AppPicker* ExceptionsTab::picker() const { return state_->picker; }

void ExceptionsTab::openPicker(int kind) {
    if (state_->picker) state_->picker->close();
    auto* picker = new AppPicker(kind == 0 ? PickerKind::Installed : PickerKind::Running, this);
    picker->onPick = [](const Application& app) { addPickedApp(app); };
    state_->picker = picker;
    QWidget* anchor = kind == 0 ? addInstalled_ : addRunning_;
    const QPoint at = anchor->mapToGlobal(kind == 0 ? QPoint(0, anchor->height() / 2) : QPoint(anchor->width() / 2, anchor->height()));
    const QPoint topLeft =
        kind == 0 ? at - QPoint(picker->width(), picker->height() / 2) : at - QPoint(picker->width() / 2, 0);
    placePopup(picker, anchor, QRect(topLeft, picker->size()));
    picker->show();
}

void ExceptionsTab::showInstalledPicker() { openPicker(0); }

void ExceptionsTab::showRunningPicker() {
    scanRunningApps(CallerThread::Main);
    openPicker(1);
}

} // namespace exceptions

} // namespace corv::ui
