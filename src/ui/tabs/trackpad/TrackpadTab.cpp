#include "engine/ShortcutList.h"
#include "model/ApplicationSets.h"
#include "model/Apps.h"
#include "model/HelpTexts.h"
#include "model/Options.h"
#include "model/Shared.h"
#include "model/UIApp.h"
#include "model/UIState.h"
#include "platform/Background.h"
#include "platform/Localization.h"
#include "platform/Multitouch.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "recorders/CaptureTabs.h"
#include "recorders/FollowingApps.h"
#include "recorders/Highlights.h"
#include "recorders/KeyBind.h"
// Model headers come before Qt's, whose keywords clash with them.
#include "ui/tabs/trackpad/TrackpadTab.h"

#include "ui/RefreshLater.h"
#include "ui/DisabledCover.h"
#include "ui/FrameWatch.h"
#include "ui/HScrollBar.h"
#include "ui/KeyBindWatch.h"
#include "ui/HintPanelWidget.h"
#include "ui/HintWinManager.h"
#include "ui/OutterFrame.h"
#include "ui/Theme.h"
#include "ui/ToggleCombo.h"
#include "ui/tabs/trackpad/BindingRow.h"
#include "ui/tabs/trackpad/ClickThroughFrame.h"
#include "ui/tabs/trackpad/GestureRows.h"
#include "ui/tabs/trackpad/HelpPanes.h"
#include "ui/tabs/trackpad/RowEdits.h"
#include "ui/SymbolButton.h"
#include "ui/AppToggle.h"
#include "ui/PanelScreen.h"
#include "ui/NoteLabel.h"

#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

namespace corv::ui {

QWidget* makeTrackpadTab(QWidget* parent) { return new trackpad::TrackpadTab(parent); }

namespace trackpad {

using recorders::GesPath;

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

int clampHeight(double h) { return std::isinf(h) ? QWIDGETSIZE_MAX : static_cast<int>(std::max(0.0, std::floor(h))); }

// A press-start button with a text label.
class TextButton : public QToolButton {
public:
    TextButton(const QString& text, QWidget* parent) : QToolButton(parent) {
        setText(text);
        setAutoRaise(true);
        setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
};


} // namespace

struct TrackpadTab::Parts {
    explicit Parts(std::function<void()> redraw) : keyBind(std::move(redraw)) {}
    std::vector<Subscription> subs;
    KeyBindWatch keyBind;
    std::map<GesPath, BindingRow*, PathLess> rows;
    std::vector<BindingRow*> order;
    std::vector<QWidget*> dividers;
    QToolButton* paneButtons[3] = {};
    AppToggle* appToggle = nullptr;
    SymbolButton* loadGlobal = nullptr;
    SymbolButton* removeAll = nullptr;
    SymbolButton* lock = nullptr;
    double descHeight[3] = {0, 0, 0};
    double mainHeight = 0;
    std::size_t lastHash = 0;
};

TrackpadTab::TrackpadTab(QWidget* parent) : QWidget(parent), parts_(new Parts([this] { scheduleRefresh(); })) {
    setObjectName("trackpadTab");
    setFixedWidth(kPanelWidth);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    // The profiles; a choice clears the highlight first.
    strip_ = new HScrollBar(
        UIApp::shared().id,
        [](const std::string& id) {
            clearHighlight();
            UIApp::shared().id.set(id);
        },
        this);
    v->addWidget(strip_);

    helpBox_ = new QWidget(this);
    auto* hv = new QVBoxLayout(helpBox_);
    hv->setContentsMargins(0, 0, 0, 0);
    hv->setSpacing(0);
    v->addWidget(helpBox_);
    buildHelpRow();
    buildAppHeader();
    v->addWidget(appHeader_);
    buildLower();
    v->addWidget(lower_);

    // Appearing: capture gestures, fetch the Shortcuts, list running apps.
    recorders::beginGestureCapture();
    engine::refreshShortcutNames();
    platform::background().run([] { refreshRunningApps(CallerThread::Background); });

    auto& apps = Apps::shared();
    auto& hi = recorders::GesHi::shared();
    auto& ui = UIState::shared();
    auto redraw = [this](const auto&) { scheduleRefresh(); };
    parts_->subs.push_back(apps.a.subscribe(redraw));
    parts_->subs.push_back(UIApp::shared().id.subscribe(redraw));
    parts_->subs.push_back(hi.h.subscribe(redraw));
    parts_->subs.push_back(hi.byClick.subscribe(redraw));
    parts_->subs.push_back(ui.tapToClick.subscribe(redraw));
    parts_->subs.push_back(ui.ThreefingerDrag.subscribe(redraw));
    parts_->subs.push_back(Options::shared().showDescription.subscribe(redraw));
    parts_->lastHash = hi.hHash();
    refresh();
}

TrackpadTab::~TrackpadTab() {
    parts_->subs.clear();
    parts_->keyBind.stop();
    recorders::endGestureCapture();
    delete parts_;
}

void TrackpadTab::scheduleRefresh() { refreshLater(this, &TrackpadTab::refreshPending_, &TrackpadTab::refresh); }

void TrackpadTab::buildHelpRow() {
    helpRow_ = new QWidget(helpBox_);
    helpRow_->setObjectName("helpRow");
    auto* h = new QHBoxLayout(helpRow_);
    h->setContentsMargins(0, 4, 0, 2);
    h->setSpacing(4);
    h->addStretch(1);
    auto* panes = new QHBoxLayout;
    panes->setSpacing(8);
    for (int n = 1; n <= 3; ++n) {
        const std::string key = "tab " + std::to_string(n) + " \U0010005C";
        auto* b = new TextButton(q(platform::localized(key)), helpRow_);
        b->setObjectName(QStringLiteral("paneButton%1").arg(n));
        connect(b, &QToolButton::pressed, this, [n] {
            auto& shown = Options::shared().showDescription;
            shown.set(togglePane(shown.get(), n));
        });
        parts_->paneButtons[n - 1] = b;
        panes->addWidget(b);
    }
    h->addLayout(panes);
    h->addSpacing(4);
    for (HelpTopic topic : {HelpTopic::BindingClickThrough, HelpTopic::Multishot}) {
        auto* b = new SymbolButton(Symbol::QuestionCircle, 16, helpRow_);
        b->setColor(dimLabelColor());
        attachHint(b, q(helpText(topic)), true);
        connect(b, &QToolButton::pressed, this,
                [b, topic] { HintWinManager::shared().toggleHelp(helpText(topic), globalFrame(b)); });
        h->addWidget(b);
    }
    h->addSpacing(11);
    helpBox_->layout()->addWidget(helpRow_);
}

void TrackpadTab::buildAppHeader() {
    appHeader_ = new QWidget(this);
    appHeader_->setObjectName("appHeader");
    auto* h = new QHBoxLayout(appHeader_);
    h->setContentsMargins(19, 6, 19, 0);
    h->setSpacing(0);
    parts_->appToggle = new AppToggle(appHeader_);
    h->addWidget(parts_->appToggle, 1);
    const auto tool = [&](Symbol s, int size, const char* hint, void (*act)(), int pad) {
        auto* b = new SymbolButton(s, size, appHeader_);
        attachHint(b, q(platform::localized(hint)));
        connect(b, &QToolButton::pressed, this, act);
        h->addWidget(b);
        if (pad) h->addSpacing(pad);
        return b;
    };
    parts_->loadGlobal = tool(Symbol::LoadGlobal, 24, "Exception hint load global", &loadGlobalBindings, 4);
    parts_->removeAll = tool(Symbol::Trash, 20, "Exception hint remove all", &removeAllGestureBindings, 4);
    parts_->lock = tool(Symbol::LockOpen, 20, "Exception hint button lock", &toggleGestureLock, 0);
}

void TrackpadTab::buildLower() {
    lower_ = new QWidget(this);
    lower_->setObjectName("lowerBlock");
    auto* outer = new QVBoxLayout(lower_);
    outer->setContentsMargins(0, 0, 0, 0);
    // What the cover dims and lies over: the list and the click-through section.
    body_ = new QWidget(lower_);
    outer->addWidget(body_);
    auto* v = new QVBoxLayout(body_);
    v->setContentsMargins(0, 10, 0, 0);
    v->setSpacing(0);

    list_ = new QScrollArea(body_);
    list_->setObjectName("gestureList");
    list_->setFrameShape(QFrame::NoFrame);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setWidgetResizable(true);
    list_->viewport()->setAutoFillBackground(false);
    listContent_ = new QWidget;
    auto* lv = new QVBoxLayout(listContent_);
    lv->setContentsMargins(0, 0, 0, 0);
    lv->setSpacing(0);
    lv->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    list_->setWidget(listContent_);
    listContent_->setAutoFillBackground(false);  // setWidget turns it on
    v->addSpacing(20);
    noTouchpad_ = new NoteLabel(q(platform::localized("Trackpad tab no touchpad")), body_);
    noTouchpad_->setObjectName(QStringLiteral("noTouchpad"));
    noTouchpad_->hide();
    v->addWidget(noTouchpad_);
    v->addWidget(list_);

    const ClickThroughFrame frame = makeClickThroughFrame(body_);
    QWidget* section = frame.section;
    QVBoxLayout* sv = frame.column;
    auto* grid1 = new QHBoxLayout;
    auto* grid2 = new QHBoxLayout;
    for (const ClickSwitch& s : clickSwitches()) {
        const ClickFlag flag = s.flag;
        ToggleDesc desc;
        // Reads and writes the selected entry at the time of the call.
        desc.get = [flag] { return recorders::appEntry(UIApp::shared().id.get()) && clickFlag(flag); };
        desc.set = [flag](bool on) { setClickFlag(flag, on); };
        desc.title = q(platform::localized(s.title));
        desc.comment = helpText(s.help);
        desc.onChange = [flag](bool on, bool byClick) { carryOverClickThrough(flag, on, byClick); };
        auto* t = new ToggleCombo(std::move(desc), section);
        toggles_[static_cast<int>(flag)] = t;
        (flag == ClickFlag::Scroll ? grid2 : grid1)->addWidget(t, 1, Qt::AlignLeft);
    }
    grid2->addStretch(1);
    sv->addLayout(grid1);
    sv->addLayout(grid2);
    v->addLayout(frame.padded);

    cover_ = new DisabledCover(DisabledCover::Ground::Tint, lower_, body_);
    cover_->setObjectName("disabledCover");
    cover_->hide();
}

void TrackpadTab::refresh() {
    parts_->keyBind.follow();
    refreshHeader();
    refreshList();
    auto& hi = recorders::GesHi::shared();
    const std::size_t hash = hi.hHash();
    if (hash != parts_->lastHash) {
        parts_->lastHash = hash;
        const recorders::GesHilited h = hi.h.get();
        // A gesture performed on the pad brings its row into view, until
        // the user first clicks a row.
        if (!hi.byClick.get() && h.fgr != 0) {
            QPointer<TrackpadTab> self = this;
            const GesPath p{h.fgr, h.ges, h.mod, h.dir};
            platform::runLoop().post([self, p] {
                if (!self) return;
                if (BindingRow* r = self->row(p)) {
                    const int y = r->mapTo(self->listContent_, QPoint(0, r->height() / 2)).y();
                    self->list_->verticalScrollBar()->setValue(y - self->list_->viewport()->height() / 2);
                }
            });
        }
    }
    // Lay out now, inner blocks first, so the tab's size follows at once.
    for (QWidget* w : {static_cast<QWidget*>(listContent_), helpBox_, appHeader_, body_, lower_, static_cast<QWidget*>(this)})
        if (w->layout()) w->layout()->activate();
    adjustSize();
}

void TrackpadTab::refreshHeader() {
    const std::string id = UIApp::shared().id.get();
    const bool global = id.empty();
    helpBox_->setVisible(global);
    appHeader_->setVisible(!global);

    const std::int64_t shown = Options::shared().showDescription.get();
    for (int n = 1; n <= 3; ++n) setTextColor(parts_->paneButtons[n - 1], shown == n ? primaryColor() : dimLabelColor());
    const int wanted = global && shown >= 1 && shown <= 3 ? static_cast<int>(shown) : 0;
    int room = 0;
    if (pane_ && pane_->fingers() != wanted) {
        room = parts_->descHeight[pane_->fingers() - 1] = pane_->height();
        delete pane_;
        pane_ = nullptr;
    }
    if (wanted && !pane_) {
        pane_ = new HelpPane(wanted, helpBox_);
        // In the room of the pane it replaces: the panel keeps its height meanwhile.
        if (room > 0) pane_->setFixedHeight(room);
        static_cast<QVBoxLayout*>(helpBox_->layout())->insertWidget(0, pane_);
        pane_->show();
    }
    if (pane_) pane_->resize(kPanelWidth, pane_->height());

    const AnApp* entry = recorders::appEntry(id);
    if (!global && entry) {
        parts_->appToggle->setEntry(id, entry->enabled);
        parts_->loadGlobal->setEnabled(entry->enabled);
        parts_->removeAll->setEnabled(entry->enabled);
        parts_->lock->setEnabled(entry->enabled);
        parts_->lock->setSymbol(entry->gesLock ? Symbol::Lock : Symbol::LockOpen);
    }
    const bool covered = entry && !entry->enabled;
    if (covered) {
        if (!body_->graphicsEffect()) {
            auto* dim = new QGraphicsOpacityEffect(body_);
            dim->setOpacity(0.5);
            body_->setGraphicsEffect(dim);
        }
        cover_->show();
        cover_->raise();
    } else {
        body_->setGraphicsEffect(nullptr);
        cover_->hide();
    }
}

void TrackpadTab::refreshList() {
    auto* layout = static_cast<QVBoxLayout*>(listContent_->layout());
    while (QLayoutItem* item = layout->takeAt(0)) delete item;
    for (QWidget* d : parts_->dividers) delete d;
    parts_->dividers.clear();

    std::map<GesPath, BindingRow*, PathLess> kept;
    parts_->order.clear();
    for (const FingerGroup& g : currentGestureList()) {
        if (g.divider) {
            auto* line = new QFrame(listContent_);
            line->setFrameShape(QFrame::HLine);
            line->setFixedWidth(290);
            line->setStyleSheet(QStringLiteral("color: %1;").arg(dimLabelColor().name(QColor::HexArgb)));
            layout->addSpacing(10);
            layout->addWidget(line, 0, Qt::AlignHCenter);
            line->show();
            layout->addSpacing(10);
            parts_->dividers.push_back(line);
        }
        for (const GestureRow& r : g.rows) {
            auto it = parts_->rows.find(r.path);
            BindingRow* w = nullptr;
            if (it != parts_->rows.end()) {
                w = it->second;
                parts_->rows.erase(it);
            } else {
                w = new BindingRow(listContent_);
            }
            w->setRow(r);
            layout->addWidget(w, 0, Qt::AlignRight);
            w->show();
            kept[r.path] = w;
            parts_->order.push_back(w);
        }
    }
    for (auto& [path, w] : parts_->rows) delete w;
    parts_->rows = std::move(kept);

    // Gestures come only from a touchpad: say so when there is none, in
    // place of the help pane's words, or alone when no pane is open.
    const auto pads = platform::multitouch().deviceList();
    const bool none = pads && pads->empty();
    if (pane_) pane_->setHeading(none ? q(platform::localized("Trackpad tab no touchpad")) : QString());
    noTouchpad_->setVisible(none && !pane_);

    layout->activate();
    fitHeights();

    for (ClickFlag f : {ClickFlag::Left, ClickFlag::Right, ClickFlag::Scroll}) {
        toggles_[static_cast<int>(f)]->refresh();
    }
}

void TrackpadTab::fitHeights() {
    // The pane's room depends on the list's height and the list's on the
    // panes': settle both now, so a later redraw with nothing changed keeps
    // every height (the tab does not reflow on its own).
    const double screenH = panelScreenHeight();
    const int content = listContent_->sizeHint().height();
    // Every pane takes the room of the tallest: switching panes moves nothing below.
    int paneContent = 0;
    if (pane_)
        for (int n = 1; n <= 3; ++n) paneContent = std::max(paneContent, HelpPane::contentHeightFor(n, kPanelWidth));
    for (int round = 0; round < 4; ++round) {
        if (pane_) {
            const int h = std::min(paneContent, clampHeight(paneMaxHeight(screenH, parts_->mainHeight)));
            pane_->setFixedHeight(h);
            parts_->descHeight[pane_->fingers() - 1] = h;
        }
        const double limit =
            listMaxHeight(screenH, parts_->descHeight[0], parts_->descHeight[1], parts_->descHeight[2]);
        const int h = std::min(content, clampHeight(limit));
        list_->setFixedHeight(h);
        list_->setVerticalScrollBarPolicy(content > h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        const bool settled = h == parts_->mainHeight;
        parts_->mainHeight = h;
        if (settled) break;
    }
}

std::vector<BindingRow*> TrackpadTab::rows() const { return parts_->order; }

BindingRow* TrackpadTab::row(const recorders::GesPath& p) const {
    auto it = parts_->rows.find(p);
    return it == parts_->rows.end() ? nullptr : it->second;
}

void TrackpadTab::mousePressEvent(QMouseEvent* e) {
    e->accept();
    clearHighlight();
}

void TrackpadTab::resizeEvent(QResizeEvent* e) { QWidget::resizeEvent(e); }

} // namespace trackpad

} // namespace corv::ui
