#include "model/Apps.h"
#include "model/HelpTexts.h"
#include "model/UIState.h"
#include "platform/AppFolders.h"
#include "platform/Localization.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "recorders/BindingPaths.h"
#include "recorders/Highlights.h"
#include "ui/RefreshLater.h"
#include "ui/tabs/exceptions/AppPopovers.h"
#include "ui/AppIcon.h"
#include "ui/tabs/exceptions/ExceptionRules.h"
#include "ui/tabs/keyboard/KeysTabState.h"
#include "ui/Backdrop.h"
#include "ui/DisabledCover.h"
#include "ui/PopupPlacement.h"
#include "ui/RoundedOutline.h"
#include "ui/PopupPress.h"
#include "ui/ButtonStyles.h"
#include "ui/HintPanelWidget.h"
#include "ui/OutterFrame.h"
#include "ui/InteractionReader.h"
#include "ui/Theme.h"
#include "ui/tabs/keyboard/KeyRowWidgets.h"
#include "ui/tabs/trackpad/BindingRow.h"
#include "ui/tabs/trackpad/ClickThroughFrame.h"
#include "ui/tabs/trackpad/RowEdits.h"
#include "ui/SymbolButton.h"
#include "ui/PanelScreen.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cmath>

namespace corv::ui::exceptions {

using recorders::GesPath;
using trackpad::ClickFlag;

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

int clampHeight(double h) { return std::isfinite(h) ? static_cast<int>(std::max(0.0, std::floor(h))) : QWIDGETSIZE_MAX; }

SymbolButton* tool(QWidget* parent, QHBoxLayout* h, Symbol s, int size, const char* hint, bool big = false) {
    auto* b = new SymbolButton(s, size, parent);
    if (hint) attachHint(b, q(platform::localized(hint)), big);
    h->addWidget(b);
    return b;
}

} // namespace

std::vector<trackpad::FingerGroup> popoverGestureList(const std::string& appid) {
    trackpad::ListInputs in;
    in.apps = &Apps::shared().a.get();
    in.selected = appid;
    in.hi = recorders::GesHi::shared().h.get();
    in.tapToClick = true;  // nothing is shadowed here
    in.dividersFromOwn = true;
    return trackpad::gestureList(in);
}

FlagColor clickThroughColor(const std::string& appid, ClickFlag f) {
    const AnApp* app = recorders::appEntry(appid);
    const AnApp* global = recorders::appEntry("");
    if (!app || !global) return FlagColor::Primary;
    bool AnApp::*m = trackpad::clickFlagMember(f);
    return app->*m == global->*m ? FlagColor::Primary : FlagColor::Overridden;
}

int FittedLabel::fittedPixelSize() const {
    QFont f = font();
    const int full = f.pixelSize();
    const int least = std::max(1, int(std::lround(full * leastScale_)));
    int size = full;
    for (; size > least; --size) {
        f.setPixelSize(size);
        if (QFontMetricsF(f).horizontalAdvance(text()) <= width()) break;
    }
    return size;
}

void FittedLabel::paintEvent(QPaintEvent*) {
    QFont f = font();
    f.setPixelSize(fittedPixelSize());
    QPainter p(this);
    p.setFont(f);
    p.setPen(palette().color(QPalette::WindowText));
    const QString shown = QFontMetrics(f).elidedText(text(), Qt::ElideRight, width());
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}

// ---- Popover

Popover::Popover(std::string appid, QWidget* parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint), appid_(std::move(appid)) {
    setAttribute(Qt::WA_TranslucentBackground);
    new RoundedOutline(this, 10);
    passPressesOn(this);
    setPalette(panelPalette());
    setFont(panelFont());
    auto redraw = [this](const auto&) { scheduleRefresh(); };
    subs_.push_back(Apps::shared().a.subscribe(redraw));
    subs_.push_back(recorders::GesHi::shared().h.subscribe(redraw));
    subs_.push_back(recorders::KeyHighlighted::shared().h.subscribe(redraw));
}

Popover::~Popover() {
    subs_.clear();
    keyBind_.stop();
    closed();
}

void Popover::closed() {
    if (closedOnce_) return;
    closedOnce_ = true;
    if (onClosed) {
        auto fn = std::move(onClosed);
        onClosed = nullptr;
        fn();
    }
}

void Popover::popUp(QWidget* anchor) {
    anchor_ = anchor;
    refresh();
    adjustSize();
    place();
    show();
}

void Popover::place() {
    if (!anchor_) return;
    const QPoint at = anchor_->mapToGlobal(QPoint(-4, 20));
    // Once shown it keeps its top, where its tools are: a row added makes
    // it grow down, not up under the pointer.
    const int top = isVisible() ? y() : at.y() - height() / 2;
    placePopup(this, anchor_, QRect(QPoint(at.x() - width(), top), size()));
}

void Popover::fitList(QScrollArea* list, int content, int maxHeight, bool enabled) {
    int h = std::min(content, maxHeight);
    // The rest of the popover stays whole; the list gives way to the screen.
    const QRect area = workAreaAt(anchor_ ? anchor_.data() : parentWidget());
    if (area.isValid()) {
        const int rest = sizeHint().height() - list->height();
        h = std::min(h, std::max(area.height() - rest, 0));
    }
    if (!enabled) {
        auto* cover = static_cast<DisabledCover*>(cover_);
        const int w = std::max(list->width(), list->sizeHint().width());
        h = std::max(h, disabledCoverHeightFor(cover->message()->heightForWidth(w) + 4));
    }
    list->setFixedHeight(h);
    list->setVerticalScrollBarPolicy(content > h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    adjustSize();
    if (isVisible()) place();
}

void Popover::hideEvent(QHideEvent* e) {
    QFrame::hideEvent(e);
    closed();
}

void Popover::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 10, 10);
    p.fillPath(path, palette().color(QPalette::Window));
    p.fillPath(path, popupTint());
}

void Popover::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    scheduleRefresh();
}

void Popover::mousePressEvent(QMouseEvent* e) {
    if (!pressOutside(this, e, anchor_)) QFrame::mousePressEvent(e);
}

QWidget* Popover::buildHeader(QVBoxLayout* v) {
    header_ = new QWidget(this);
    header_->setObjectName("popoverHeader");
    auto* h = new QHBoxLayout(header_);
    h->setContentsMargins(10, 12, 10, 12);
    // The content is centred; the tools follow the name.
    h->addStretch(1);
    auto* icon = new QLabel(header_);
    icon->setPixmap(appIcon(appPath(appid_), 32));
    h->addWidget(icon);
    name_ = new FittedLabel(header_);
    name_->setText(q(appRowName(appid_)));
    name_->setFont(systemFont(16, QFont::Light));
    h->addWidget(name_);
    h->addSpacing(20);
    v->addWidget(header_);
    return header_;
}

QScrollArea* Popover::buildList(QVBoxLayout* v, QWidget*& content) {
    auto* list = new QScrollArea(this);
    list->setFrameShape(QFrame::NoFrame);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setWidgetResizable(true);
    list->viewport()->setAutoFillBackground(false);
    content = new QWidget;
    auto* lv = new QVBoxLayout(content);
    lv->setContentsMargins(0, 6, 0, 6);
    lv->setSpacing(0);
    lv->setAlignment(Qt::AlignTop);
    list->setWidget(content);
    content->setAutoFillBackground(false);  // setWidget turns it on
    v->addWidget(list);
    return list;
}

void Popover::scheduleRefresh() { refreshLater(this, &Popover::refreshPending_, &Popover::refresh); }

void Popover::placeCover(QWidget* over, bool enabled) {
    header_->setEnabled(enabled);
    cover_->setVisible(!enabled);
    if (!enabled) {
        cover_->setGeometry(over->geometry());
        cover_->raise();
    }
}

// ---- Gesture popover

GesturePopover::GesturePopover(const std::string& appid, QWidget* parent) : Popover(appid, parent) {
    setObjectName("gesturePopover");
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    buildHeader(v);
    auto* h = static_cast<QHBoxLayout*>(header_->layout());
    load_ = tool(header_, h, Symbol::LoadGlobal, 24, "Exception hint load global");
    remove_ = tool(header_, h, Symbol::Trash, 20, "Exception hint remove all");
    lock_ = tool(header_, h, Symbol::LockOpen, 20, "Exception hint button lock", true);
    h->addStretch(1);
    // The tools act on this popover's application, whatever is selected.
    connect(load_, &QToolButton::pressed, this, [this] { trackpad::loadGlobalBindings(appid_); });
    connect(remove_, &QToolButton::pressed, this, [this] { trackpad::removeAllGestureBindings(appid_); });
    connect(lock_, &QToolButton::pressed, this, [this] { trackpad::toggleGestureLock(appid_); });

    area_ = new QWidget(this);
    area_->setObjectName("gestureArea");
    area_->setMaximumWidth(380);
    auto* av = new QVBoxLayout(area_);
    av->setContentsMargins(0, 0, 0, 0);
    av->setSpacing(0);
    list_ = buildList(av, content_);
    list_->setMaximumHeight(808);
    onPress(area_, [] { trackpad::clearHighlight(); });

    // The click-through section: a titled outline round the three switches.
    const trackpad::ClickThroughFrame frame = trackpad::makeClickThroughFrame(area_);
    QWidget* section = frame.section;
    QVBoxLayout* sv = frame.column;
    auto* row1 = new QHBoxLayout;
    auto* row2 = new QHBoxLayout;
    row1->setSpacing(0);
    row2->setSpacing(0);
    for (const trackpad::ClickSwitch& s : trackpad::clickSwitches()) {
        const ClickFlag f = s.flag;
        ToggleDesc desc;
        desc.get = [this, f] {
            const AnApp* e = recorders::appEntry(appid_);
            return e && e->*trackpad::clickFlagMember(f);
        };
        desc.set = [this, f](bool on) {
            recorders::editEntry(appid_, [&](AnApp& e) {
                e.*trackpad::clickFlagMember(f) = on;
                return true;
            });
        };
        desc.title = q(platform::localized(s.title));
        desc.comment = helpText(s.help);
        auto* t = new ToggleCombo(std::move(desc), section);
        if (f != ClickFlag::Right) t->setFixedWidth(164);
        toggles_[static_cast<int>(f)] = t;
        (f == ClickFlag::Scroll ? row2 : row1)->addWidget(t, f == ClickFlag::Right ? 1 : 0, Qt::AlignLeft);
    }
    row2->addStretch(1);
    sv->addLayout(row1);
    sv->addLayout(row2);
    av->addLayout(frame.padded);
    v->addWidget(area_);

    cover_ = new DisabledCover(DisabledCover::Ground::Clear, this);
    cover_->hide();
    lastHash_ = recorders::GesHi::shared().hHash();
    refresh();
}

void GesturePopover::refresh() {
    keyBind_.follow();
    const AnApp* entry = recorders::appEntry(appid_);
    if (!entry) return;  // deleted under the open popover: the row goes next
    name_->setText(q(appRowName(appid_)));
    lock_->setSymbol(entry->gesLock ? Symbol::Lock : Symbol::LockOpen);

    auto* layout = static_cast<QVBoxLayout*>(content_->layout());
    while (QLayoutItem* item = layout->takeAt(0)) delete item;
    for (QWidget* d : dividers_) delete d;
    dividers_.clear();
    std::map<GesPath, trackpad::BindingRow*, trackpad::PathLess> kept;
    order_.clear();
    for (const trackpad::FingerGroup& g : popoverGestureList(appid_)) {
        if (g.divider) {
            auto* line = new QFrame(content_);
            line->setFrameShape(QFrame::HLine);
            line->setFixedWidth(300);
            line->setStyleSheet(QStringLiteral("color: %1;").arg(dimLabelColor().name(QColor::HexArgb)));
            layout->addSpacing(10);
            layout->addWidget(line, 0, Qt::AlignHCenter);
            layout->addSpacing(10);
            line->show();
            dividers_.push_back(line);
        }
        for (const trackpad::GestureRow& r : g.rows) {
            auto it = rows_.find(r.path);
            trackpad::BindingRow* w = nullptr;
            if (it != rows_.end()) {
                w = it->second;
                rows_.erase(it);
            } else {
                w = new trackpad::BindingRow(content_);
            }
            w->setRow(r);
            layout->addWidget(w, 0, Qt::AlignRight);
            w->show();
            kept[r.path] = w;
            order_.push_back(w);
        }
    }
    for (auto& [path, w] : rows_) delete w;
    rows_ = std::move(kept);
    layout->activate();
    fitList(list_, content_->sizeHint().height(), 808, true);

    for (ClickFlag f : {ClickFlag::Left, ClickFlag::Right, ClickFlag::Scroll}) {
        ToggleCombo* t = toggles_[static_cast<int>(f)];
        t->refresh();
        t->setColor(clickThroughColor(appid_, f) == FlagColor::Primary ? primaryColor() : overriddenBindingColor());
    }
    adjustSize();
    placeCover(area_, entry->enabled);

    // A recorded gesture comes into view on the next turn; a clicked one stays.
    auto& hi = recorders::GesHi::shared();
    const std::size_t hash = hi.hHash();
    if (hash != lastHash_) {
        lastHash_ = hash;
        const recorders::GesHilited now = hi.h.get();
        if (!hi.byClick.get() && now.fgr != 0) {
            QPointer<GesturePopover> self = this;
            const GesPath p{now.fgr, now.ges, now.mod, now.dir};
            platform::runLoop().post([self, p] {
                if (!self) return;
                auto it = self->rows_.find(p);
                if (it == self->rows_.end()) return;
                const int y = it->second->mapTo(self->content_, QPoint(0, it->second->height() / 2)).y();
                self->list_->verticalScrollBar()->setValue(y - self->list_->viewport()->height() / 2);
            });
        }
    }
}

// ---- Key popover

KeyPopover::KeyPopover(const std::string& appid, QWidget* parent) : Popover(appid, parent) {
    setObjectName("keyPopover");
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    buildHeader(v);
    header_->setFixedWidth(320);
    auto* h = static_cast<QHBoxLayout*>(header_->layout());
    load_ = tool(header_, h, Symbol::LoadGlobal, 24, "Exception hint key load global");
    remove_ = tool(header_, h, Symbol::Trash, 20, "Exception hint key remove all");
    auto* add = new StyledButton(ButtonStyle::Image, header_);
    add->setSymbol(QStringLiteral("plus.app"), 20);
    attachHint(add, q(platform::localized("Exception hint key add")));
    h->addWidget(add);
    add_ = add;
    add_->setAccessibleName(q(platform::localized("Accessible add")));
    lock_ = tool(header_, h, Symbol::LockOpen, 20, "Exception hint key lock", true);
    h->addStretch(1);
    connect(load_, &QToolButton::pressed, this, [this] { keyboard::loadGlobalKeyBindings(appid_); });
    connect(remove_, &QToolButton::pressed, this, [this] { keyboard::removeAllKeyBindings(appid_); });
    connect(add_, &QAbstractButton::pressed, this, [this] { keyboard::addKeyBinding(appid_); });
    connect(lock_, &QToolButton::pressed, this, [this] { keyboard::toggleKeyLock(appid_); });
    list_ = buildList(v, content_);
    onPress(list_, [] { keyboard::clearKeyHighlight(); });
    auto* cover = new DisabledCover(DisabledCover::Ground::Clear, this);
    message_ = cover->message();
    cover_ = cover;
    cover_->hide();
    refresh();
}

void KeyPopover::refresh() {
    keyBind_.follow();
    const AnApp* entry = recorders::appEntry(appid_);
    if (!entry) return;
    name_->setText(q(appRowName(appid_)));
    lock_->setSymbol(entry->keyLock ? Symbol::Lock : Symbol::LockOpen);
    auto* layout = static_cast<QVBoxLayout*>(content_->layout());
    const std::vector<keyboard::KeyRow> rows = keyboard::listKeyRows(appid_);
    while (order_.size() > rows.size()) {
        delete order_.back();
        order_.pop_back();
    }
    while (order_.size() < rows.size()) {
        auto* w = new keyboard::GeneralKeyRow(content_);
        layout->addWidget(w);
        w->show();
        order_.push_back(w);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) order_[i]->setRow(rows[i]);
    layout->activate();
    fitList(list_, content_->sizeHint().height(), clampHeight(keyPopoverListMaxHeight(panelScreenHeight())),
            entry->enabled);
    placeCover(list_, entry->enabled);
}

} // namespace corv::ui::exceptions
