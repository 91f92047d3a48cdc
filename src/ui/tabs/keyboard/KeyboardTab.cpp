#include "engine/KeyboardServices.h"
#include "engine/ModKeyPressed.h"
#include "logitech/LogiKeybs.h"
#include "model/Apps.h"
#include "model/HelpTexts.h"
#include "model/KeySubOpt.h"
#include "model/LogiKeysOpt.h"
#include "model/UIApp.h"
#include "platform/Localization.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "recorders/BindingPaths.h"
#include "recorders/Highlights.h"
#include "recorders/KeyBind.h"
#include "ui/RefreshLater.h"
#include "ui/tabs/keyboard/KeysTabState.h"
// Model headers come before Qt's, whose keywords clash with them.
#include "ui/tabs/keyboard/KeyboardTab.h"
#include "ui/FrameWatch.h"
#include "ui/HScrollBar.h"
#include "ui/KeyBindWatch.h"
#include "ui/LayOutNow.h"
#include "ui/HintPanelWidget.h"
#include "ui/HintWinManager.h"
#include "ui/InteractionReader.h"
#include "ui/Theme.h"
#include "ui/tabs/keyboard/DeviceSections.h"
#include "ui/tabs/keyboard/KeyRowWidgets.h"
#include "ui/DisabledCover.h"
#include "ui/NoteLabel.h"
#include "ui/ToggleCombo.h"
#include "ui/SymbolButton.h"
#include "ui/AppToggle.h"
#include "ui/PanelScreen.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace corv::ui {

QWidget* makeKeyboardTab(QWidget* parent) { return new keyboard::KeyboardTab(parent); }

namespace keyboard {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QFrame* rule(QWidget* parent) {
    auto* r = new QFrame(parent);
    r->setFrameShape(QFrame::HLine);
    r->setStyleSheet(QStringLiteral("color: %1;").arg(dimLabelColor().name(QColor::HexArgb)));
    r->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return r;
}

SymbolButton* helpButton(HelpTopic topic, QWidget* parent) {
    auto* b = new SymbolButton(Symbol::QuestionCircle, 16, parent);
    b->setColor(dimLabelColor());
    attachHint(b, q(helpText(topic)), true);
    QObject::connect(b, &QToolButton::pressed, b,
                     [b, topic] { HintWinManager::shared().toggleHelp(helpText(topic), globalFrame(b)); });
    return b;
}

// A section header: rule, title, help, optional add button, rule.
QWidget* sectionHeader(const char* titleKey, HelpTopic help, QToolButton* add, int top, QWidget* parent) {
    auto* w = new QWidget(parent);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(17, top, 17, 10);
    h->addWidget(rule(w), 1);
    auto* title = new QLabel(q(platform::localized(titleKey)), w);
    title->setContentsMargins(8, 0, 4, 0);
    setTextColor(title, dimLabelColor());
    h->addWidget(title);
    h->addWidget(helpButton(help, w));
    if (add) h->addWidget(add);
    h->addWidget(rule(w), 1);
    return w;
}


using RowKey = std::tuple<std::string, std::uint64_t, std::uint64_t>;

} // namespace

struct KeyboardTab::Parts {
    explicit Parts(std::function<void()> redraw) : keyBind(std::move(redraw)) {}
    std::vector<Subscription> subs;
    KeyBindWatch keyBind;
    AppToggle* appToggle = nullptr;
    QVBoxLayout* rowList = nullptr;
    std::map<RowKey, GeneralKeyRow*> rows;
    std::vector<GeneralKeyRow*> order;
    QVBoxLayout* logiList = nullptr;
    std::map<int, LogiBlockWidget*> logi;
    QVBoxLayout* subList = nullptr;
    std::vector<SubBlockWidget*> sub;
};

KeyboardTab::KeyboardTab(QWidget* parent) : QWidget(parent), parts_(new Parts([this] { scheduleRefresh(); })) {
    setObjectName("keyboardTab");
    setFixedWidth(kPanelWidth);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(new HScrollBar(UIApp::shared().id, [](const std::string& id) { selectApplication(id); }, this));
    buildHeader();
    v->addWidget(appHeader_);

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName("keyColumn");
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(true);
    scroll_->viewport()->setAutoFillBackground(false);
    column_ = new QWidget;
    auto* cv = new QVBoxLayout(column_);
    cv->setContentsMargins(0, 0, 0, 0);
    cv->setSpacing(0);
    cv->setAlignment(Qt::AlignTop);
    scroll_->setWidget(column_);
    column_->setAutoFillBackground(false);  // setWidget turns it on
    // Tells when the column's layout has changed, a redraw's or a later one.
    scroll_->viewport()->installEventFilter(this);
    // A press in the column that no row or control takes clears the highlights.
    onPress(column_, [] { clearHighlights(); });
    v->addWidget(scroll_);

    general_ = new QWidget(column_);
    general_->setObjectName("generalSection");
    auto* gv = new QVBoxLayout(general_);
    gv->setContentsMargins(0, 0, 0, 10);
    gv->setSpacing(0);
    add_ = plusButton(general_, "Exception hint key add");
    connect(add_, &QToolButton::pressed, this, [] { addKeyBinding(); });
    gv->addWidget(sectionHeader("Keys tab General key mapping", HelpTopic::GeneralKeyBind, add_, 5, general_));
    parts_->rowList = new QVBoxLayout;
    parts_->rowList->setSpacing(0);
    gv->addLayout(parts_->rowList);
    cv->addWidget(general_);
    cover_ = new DisabledCover(DisabledCover::Ground::Tint, column_, general_);
    cover_->setObjectName("disabledCover");
    cover_->hide();

    devices_ = new QWidget(column_);
    auto* dv = new QVBoxLayout(devices_);
    dv->setContentsMargins(0, 0, 0, 0);
    dv->setSpacing(0);
    logiSection_ = new QWidget(devices_);
    logiSection_->setObjectName("logiSection");
    auto* lv = new QVBoxLayout(logiSection_);
    lv->setContentsMargins(0, 0, 0, 0);
    lv->setSpacing(0);
    lv->addWidget(sectionHeader("Keys tab Non-standard key mapping", HelpTopic::LogiKeyboard, nullptr, 4, logiSection_));
    parts_->logiList = new QVBoxLayout;
    parts_->logiList->setSpacing(0);
    lv->addLayout(parts_->logiList);
    dv->addWidget(logiSection_);

    auto* switchRow = new QWidget(devices_);
    auto* sh = new QHBoxLayout(switchRow);
    sh->setContentsMargins(17, 0, 17, 4);
    sh->addWidget(rule(switchRow), 1);
    ToggleDesc subDesc;
    subDesc.get = [] { return KeySubOpt::shared().subGlobalEn.get(); };
    subDesc.set = [](bool on) { KeySubOpt::shared().subGlobalEn.set(on); };
    subDesc.title = q(platform::localized("Keys tab enable modifier key substitution control"));
    subDesc.comment = helpText(HelpTopic::KeysSub);
    // Every change acts, the user's or not.
    subDesc.onChange = [](bool on, bool) { setModKeySubstitutionEnabled(on); };
    subSwitch_ = new ToggleCombo(std::move(subDesc), switchRow);
    subSwitch_->setObjectName("substitutionSwitch");
    sh->addWidget(subSwitch_);
    sh->addWidget(rule(switchRow), 1);
    dv->addWidget(switchRow);
    subSection_ = new QWidget(devices_);
    parts_->subList = new QVBoxLayout(subSection_);
    parts_->subList->setContentsMargins(0, 10, 0, 0);
    parts_->subList->setSpacing(0);
    noKeyboard_ = new NoteLabel(q(platform::localized("Keys tab no keyboard")), subSection_);
    noKeyboard_->setObjectName(QStringLiteral("noKeyboard"));
    noKeyboard_->hide();
    dv->addWidget(subSection_);
    subGap_ = new QWidget(devices_);
    subGap_->setFixedHeight(10);
    dv->addWidget(subGap_);
    cv->addWidget(devices_);
    appGap_ = new QWidget(column_);
    appGap_->setFixedHeight(1);
    cv->addWidget(appGap_);

    keysTabAppeared();

    auto redraw = [this](const auto&) { scheduleRefresh(); };
    auto& subs = parts_->subs;
    subs.push_back(Apps::shared().a.subscribe(redraw));
    subs.push_back(UIApp::shared().id.subscribe(redraw));
    subs.push_back(recorders::KeyHighlighted::shared().h.subscribe(redraw));
    subs.push_back(recorders::LogiKeybHighlighted::shared().h.subscribe(redraw));
    subs.push_back(recorders::PhyKeyHighlighted::shared().usage.subscribe(redraw));
    subs.push_back(recorders::PhyKeyHighlighted::shared().src.subscribe(redraw));
    subs.push_back(logitech::LogiKeybsUI::shared().k.subscribe(redraw));
    subs.push_back(LogiKeysOpt::shared().k.subscribe(redraw));
    subs.push_back(KeySubOpt::shared().subGlobalEn.subscribe(redraw));
    subs.push_back(KeySubOpt::shared().keySub.subscribe(redraw));
    subs.push_back(engine::KeyData::shared().k.subscribe(redraw));
    subs.push_back(engine::ModKeyPressed::shared().v.subscribe(redraw));
    refresh();
}

KeyboardTab::~KeyboardTab() {
    parts_->subs.clear();
    parts_->keyBind.stop();
    keysTabDisappeared();
    delete parts_;
}

bool KeyboardTab::eventFilter(QObject* watched, QEvent* e) {
    // A control shown a turn after the redraw changes the column's height too.
    if (watched == scroll_->viewport() && e->type() == QEvent::LayoutRequest) fitColumn();
    return QWidget::eventFilter(watched, e);
}

void KeyboardTab::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    fitColumn();
}

void KeyboardTab::scheduleRefresh() { refreshLater(this, &KeyboardTab::refreshPending_, &KeyboardTab::refresh); }

void KeyboardTab::buildHeader() {
    appHeader_ = new QWidget(this);
    appHeader_->setObjectName("appHeader");
    auto* h = new QHBoxLayout(appHeader_);
    h->setContentsMargins(19, 6, 19, 0);
    h->setSpacing(0);
    parts_->appToggle = new AppToggle(appHeader_);
    h->addWidget(parts_->appToggle, 1);
    const struct {
        Symbol symbol;
        int size;
        const char* hint;
        void (*act)();
        int pad;
        bool big;
    } tools[] = {{Symbol::LoadGlobal, 24, "Exception hint key load global", &loadGlobalKeyBindings, 4, false},
                 {Symbol::Trash, 20, "Exception hint key remove all", &removeAllKeyBindings, 4, false},
                 {Symbol::LockOpen, 20, "Exception hint key lock", &toggleKeyLock, 0, true}};
    for (int i = 0; i < 3; ++i) {
        auto* b = new SymbolButton(tools[i].symbol, tools[i].size, appHeader_);
        attachHint(b, q(platform::localized(tools[i].hint)), tools[i].big);
        connect(b, &QToolButton::pressed, this, tools[i].act);
        h->addWidget(b);
        if (tools[i].pad) h->addSpacing(tools[i].pad);
        headerButtons_[i] = b;
    }
}

void KeyboardTab::refresh() {
    parts_->keyBind.follow();
    refreshHeader();
    refreshRows();
    refreshDevices();
    fitColumn();
}

void KeyboardTab::fitColumn() {
    // The rows sit in nested blocks: lay them out before reading the height.
    layOutNow(this);
    const int content = column_->sizeHint().height();
    const double limit = tabMaxHeight(panelScreenHeight()) - appHeader_->sizeHint().height() - 60;
    const int h = std::isfinite(limit) ? std::min(content, std::max(0, static_cast<int>(limit))) : content;
    scroll_->setFixedHeight(h);
    scroll_->setVerticalScrollBarPolicy(content > h ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    adjustSize();
}

void KeyboardTab::refreshHeader() {
    const std::string id = UIApp::shared().id.get();
    const AnApp* entry = recorders::appEntry(id);
    appHeader_->setVisible(!id.empty() && entry);
    if (!id.empty() && entry) {
        parts_->appToggle->setEntry(id, entry->enabled);
        for (auto* b : headerButtons_) b->setEnabled(entry->enabled);
        static_cast<SymbolButton*>(headerButtons_[2])
            ->setSymbol(entry->keyLock ? Symbol::Lock : Symbol::LockOpen);
    }
}

void KeyboardTab::refreshRows() {
    const std::string id = UIApp::shared().id.get();
    std::map<RowKey, GeneralKeyRow*> kept;
    parts_->order.clear();
    while (QLayoutItem* item = parts_->rowList->takeAt(0)) delete item;
    for (const KeyRow& r : listKeyRows(id)) {
        const RowKey key{r.slot.appid, r.slot.key, r.slot.mod};
        auto it = parts_->rows.find(key);
        GeneralKeyRow* w = it != parts_->rows.end() ? it->second : new GeneralKeyRow(general_);
        if (it != parts_->rows.end()) parts_->rows.erase(it);
        w->setRow(r);
        parts_->rowList->addWidget(w, 0, Qt::AlignHCenter);
        w->show();
        kept[key] = w;
        parts_->order.push_back(w);
    }
    for (auto& [key, w] : parts_->rows) delete w;
    parts_->rows = std::move(kept);

    const AnApp* entry = recorders::appEntry(id);
    if (entry && !entry->enabled) {
        auto* dim = new QGraphicsOpacityEffect(general_);
        dim->setOpacity(0.5);
        general_->setGraphicsEffect(dim);
        general_->layout()->activate();
        cover_->setGeometry(general_->geometry());
        cover_->show();
        cover_->raise();
    } else {
        general_->setGraphicsEffect(nullptr);
        cover_->hide();
    }
}

void KeyboardTab::refreshDevices() {
    const bool global = UIApp::shared().id.get().empty();
    devices_->setVisible(global);
    appGap_->setVisible(!global);
    logiSection_->setVisible(global && logiSectionShown());

    std::map<int, LogiBlockWidget*> kept;
    while (QLayoutItem* item = parts_->logiList->takeAt(0)) delete item;
    for (const LogiBlock& b : global ? listLogiBlocks() : std::vector<LogiBlock>{}) {
        auto it = parts_->logi.find(b.slot);
        LogiBlockWidget* w = it != parts_->logi.end() ? it->second : new LogiBlockWidget(logiSection_);
        if (it != parts_->logi.end()) parts_->logi.erase(it);
        w->setBlock(b);
        auto* pad = new QHBoxLayout;
        pad->setContentsMargins(20, 0, 20, 30);
        pad->addWidget(w);
        parts_->logiList->addLayout(pad);
        w->show();
        kept[b.slot] = w;
    }
    for (auto& [slot, w] : parts_->logi) delete w;
    parts_->logi = std::move(kept);

    const bool on = KeySubOpt::shared().subGlobalEn.get();
    subSwitch_->refresh();
    subSection_->setVisible(global && on);
    subGap_->setVisible(global && !on);
    const std::vector<SubBlock> blocks = global && on ? substitutionBlocks() : std::vector<SubBlock>{};
    while (parts_->sub.size() > blocks.size()) {
        delete parts_->sub.back();
        parts_->sub.pop_back();
    }
    while (QLayoutItem* item = parts_->subList->takeAt(0)) delete item;
    // Substitution is set per keyboard: with none found, say so.
    noKeyboard_->setVisible(global && on && blocks.empty());
    if (noKeyboard_->isVisibleTo(subSection_)) parts_->subList->addWidget(noKeyboard_);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (i == parts_->sub.size()) parts_->sub.push_back(new SubBlockWidget(subSection_));
        parts_->sub[i]->setBlock(blocks[i]);
        auto* pad = new QHBoxLayout;
        pad->setContentsMargins(20, 0, 20, 30);
        pad->addWidget(parts_->sub[i]);
        parts_->subList->addLayout(pad);
        parts_->sub[i]->show();
    }
}

std::vector<GeneralKeyRow*> KeyboardTab::rows() const { return parts_->order; }

std::vector<LogiBlockWidget*> KeyboardTab::logiBlocks() const {
    std::vector<LogiBlockWidget*> out;
    for (const auto& [slot, w] : parts_->logi) out.push_back(w);
    return out;
}

std::vector<SubBlockWidget*> KeyboardTab::subBlocks() const { return parts_->sub; }

} // namespace keyboard

} // namespace corv::ui
