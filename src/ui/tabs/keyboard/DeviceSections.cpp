#include "engine/ModKeyPressed.h"
#include "logitech/LogiKeybs.h"
#include "model/HelpTexts.h"
#include "model/KeySubOpt.h"
#include "platform/Localization.h"
#include "ui/tabs/keyboard/BacklightRules.h"
// Model headers come before Qt's, whose keywords clash with them.
#include "ui/tabs/keyboard/DeviceSections.h"
#include "ui/BatteryIcon.h"
#include "ui/ConfirmDelButton.h"
#include "ui/FrameWatch.h"
#include "ui/HintPanelWidget.h"
#include "ui/HintWinManager.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/tabs/keyboard/KeyRowWidgets.h"
#include "ui/IntSlider.h"
#include "ui/ToggleCombo.h"
#include "ui/AccentMenu.h"
#include "ui/SymbolButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace corv::ui::keyboard {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

const logitech::LogiKeybUI& shownKeyboard(int slot) {
    return logitech::LogiKeybsUI::shared().k.get()[static_cast<std::size_t>(slot)];
}

} // namespace

// The style's raised hover would draw a light block under the light glyph:
// a faint tint marks the hover instead.
QToolButton* plusButton(QWidget* parent, const char* hintKey) {
    auto* b = new QToolButton(parent);
    b->setObjectName("addButton");
    b->setAutoRaise(true);
    b->setText(QStringLiteral("\u2295"));
    b->setAccessibleName(q(platform::localized(hintKey)));
    attachHint(b, b->accessibleName());
    b->setFont(systemFont(16, QFont::Light));
    b->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; border-radius: 4px; }"
                                    " QToolButton:hover { background: rgba(255, 255, 255, 26); }"));
    setTextColor(b, primaryColor());
    return b;
}


FramedBlock::FramedBlock(QWidget* parent) : QWidget(parent) {}

void FramedBlock::paintEvent(QPaintEvent*) {
    if (!titleRow) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(dimLabelColor(), 1));
    const QRect t = titleRow->geometry();
    const QRectF r = QRectF(rect()).adjusted(0.5, t.center().y(), -0.5, -0.5);
    const double rad = std::min({16.0, r.width() / 2, r.height() / 2});
    const double gs = std::clamp<double>(t.left(), r.left() + rad, r.right() - rad);
    const double ge = std::clamp<double>(t.right() + 1, gs, r.right() - rad);
    QPainterPath path(QPointF(ge, r.top()));
    path.lineTo(r.right() - rad, r.top());
    path.quadTo(r.topRight(), QPointF(r.right(), r.top() + rad));
    path.lineTo(r.right(), r.bottom() - rad);
    path.quadTo(r.bottomRight(), QPointF(r.right() - rad, r.bottom()));
    path.lineTo(r.left() + rad, r.bottom());
    path.quadTo(r.bottomLeft(), QPointF(r.left(), r.bottom() - rad));
    path.lineTo(r.left(), r.top() + rad);
    path.quadTo(r.topLeft(), QPointF(r.left() + rad, r.top()));
    path.lineTo(gs, r.top());
    p.drawPath(path);
}

LogiBlockWidget::LogiBlockWidget(QWidget* parent) : FramedBlock(parent) {
    setObjectName("logiBlock");
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(10, 0, 10, 10);
    v->setSpacing(0);

    titleRow = new QWidget(this);
    auto* t = new QHBoxLayout(titleRow);
    t->setContentsMargins(10, 0, 10, 0);
    product_ = new QLabel(titleRow);
    product_->setObjectName("product");
    setTextColor(product_, dimLabelColor());
    t->addWidget(product_);
    t->addSpacing(10);
    add_ = plusButton(titleRow, "Hint logi key add");
    connect(add_, &QToolButton::pressed, this, [this] { addQuirkKeyBinding(block_.optIdx); });
    t->addWidget(add_);
    v->addWidget(titleRow, 0, Qt::AlignHCenter);

    auto* light = new QHBoxLayout;
    light->setContentsMargins(9, 8, 9, 0);
    light->setSpacing(0);
    ToggleDesc lightDesc;
    lightDesc.get = [this] { return shownBacklightOn(block_.slot); };
    lightDesc.set = [this](bool on) { setShownBacklightOn(block_.slot, on); };
    lightDesc.title = q(platform::localized("Keys tab Backlight"));
    lightDesc.onChange = [this](bool on, bool byClick) { setBacklightOn(block_.slot, on, byClick); };
    backlight_ = new ToggleCombo(std::move(lightDesc), this);
    backlight_->setObjectName("backlightSwitch");
    backlight_->setFixedWidth(155);
    light->addWidget(backlight_);
    light->addStretch(1);
    effect_ = new CellButton(117, this);
    effect_->setObjectName("effectMenu");
    effect_->setArmed(true);
    effect_->onOpen = [this] {
        AccentMenu& m = *effect_->popup();
        m.clear();
        for (const std::string& name : backlightEffectNames())
            connect(m.addAction(q(name)), &QAction::triggered, this,
                    [slot = block_.slot, name] { setBacklightEffect(slot, name); });
    };
    light->addWidget(effect_);
    // With the padding after it, the place of the menu: 147 wide.
    effectGap_ = new QWidget(this);
    effectGap_->setFixedSize(125, 20);
    light->addWidget(effectGap_);
    light->addSpacing(22);
    v->addLayout(light);

    levelRow_ = new QWidget(this);
    levelRow_->setObjectName("levelRow");
    auto* lv = new QHBoxLayout(levelRow_);
    lv->setContentsMargins(9, 4, 0, 0);
    status_ = new QLabel(levelRow_);
    status_->setObjectName("statusLabel");
    lv->addWidget(status_);
    lv->addStretch(1);
    lv->addSpacing(10);
    auto* help = new SymbolButton(Symbol::QuestionCircle, 16, levelRow_);
    help->setColor(dimLabelColor());
    attachHint(help, q(helpText(HelpTopic::LogiKeyboardBrightness)), true);
    connect(help, &QToolButton::pressed, this, [help] {
        HintWinManager::shared().toggleHelp(helpText(HelpTopic::LogiKeyboardBrightness), globalFrame(help));
    });
    lv->addWidget(help);
    v->addWidget(levelRow_);

    auto* fnRow = new QHBoxLayout;
    fnRow->setContentsMargins(9, 4, 9, 0);
    ToggleDesc fnDesc;
    fnDesc.get = [this] { return shownFnInversion(block_.slot); };
    fnDesc.set = [this](bool on) { setShownFnInversion(block_.slot, on); };
    fnDesc.title = q(platform::localized("Keys tab Fn Inversion"));
    fnDesc.onChange = [this](bool on, bool byClick) { setFnInversion(block_.slot, on, byClick); };
    fn_ = new ToggleCombo(std::move(fnDesc), this);
    fn_->setObjectName("fnSwitch");
    fnRow->addWidget(fn_);
    fnRow->addStretch(1);
    v->addLayout(fnRow);

    rowList_ = new QVBoxLayout;
    rowList_->setContentsMargins(0, 4, 0, 0);
    rowList_->setSpacing(0);
    v->addLayout(rowList_);
}

void LogiBlockWidget::setBlock(const LogiBlock& b) {
    block_ = b;
    const logitech::LogiKeybUI& k = shownKeyboard(b.slot);
    product_->setText(q(b.product));
    if (b.showBattery && !battery_) {
        battery_ = new BatteryIcon(b.battery, titleRow);
        battery_->setObjectName("battery");
        static_cast<QHBoxLayout*>(titleRow->layout())->insertWidget(2, battery_);
    } else if (!b.showBattery && battery_) {
        delete battery_;
        battery_ = nullptr;
    }
    if (battery_) battery_->setBatt(b.battery);
    add_->setEnabled(b.addEnabled);

    backlight_->refresh();
    const bool menu = effectMenuShown(k.backLight);
    effect_->setVisible(menu);
    effectGap_->setVisible(!menu);
    effect_->setLook(q(backlightEffectLabel(k.backLightOptions)), primaryColor(), primaryColor());
    levelRow_->setVisible(levelRowShown(k.backLight, k.backLightOptions));
    status_->setText(q(backlightStatusText(k.backLightOptions)));
    const LevelSlider level = keyboard::levelSlider(k.backLightOptions);
    if (level.high != barHigh_) {
        // The slider's range is fixed when it is made.
        auto* lv = static_cast<QHBoxLayout*>(levelRow_->layout());
        delete bar_;
        SliderDesc desc;
        desc.low = level.low;
        desc.high = level.high;
        desc.get = [this] { return std::int64_t(keyboard::levelSlider(shownKeyboard(block_.slot).backLightOptions).value); };
        desc.height = 16;
        bar_ = new IntSlider(std::move(desc), levelRow_);
        bar_->setObjectName("levelSlider");
        bar_->setFixedWidth(126);
        bar_->setAttribute(Qt::WA_TransparentForMouseEvents);
        lv->insertWidget(2, bar_);
        barHigh_ = level.high;
    }
    bar_->refresh();
    fn_->refresh();

    std::map<std::uint16_t, QuirkKeyRow*> kept;
    while (QLayoutItem* item = rowList_->takeAt(0)) delete item;
    for (std::uint16_t cid : b.controls) {
        auto it = rows_.find(cid);
        QuirkKeyRow* row = it != rows_.end() ? it->second : new QuirkKeyRow(this);
        if (it != rows_.end()) rows_.erase(it);
        row->setRow(b.optIdx, cid);
        rowList_->addWidget(row, 0, Qt::AlignHCenter);
        row->show();
        kept[cid] = row;
    }
    for (auto& [cid, row] : rows_) delete row;
    rows_ = std::move(kept);
}

std::vector<QuirkKeyRow*> LogiBlockWidget::rows() const {
    std::vector<QuirkKeyRow*> out;
    for (const auto& [cid, row] : rows_) out.push_back(row);
    return out;
}

PairRowWidget::PairRowWidget(QWidget* parent) : QWidget(parent) {
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(10, 6, 10, 6);
    h->setSpacing(0);
    const auto makeField = [this, h](bool src) {
        auto* f = new CellButton(src ? 111 : 117, this);
        f->setObjectName(src ? "sourceField" : "destinationField");
        f->onPress = [this, src] { highlightPairField(pair_, src); };
        // The target is chosen from its menu; the source by pressing the key.
        if (!src)
            f->armsAndOpens = [this] {
                const auto& all = KeySubOpt::shared().keySub.get();
                return pair_.entry < all.size() && pairFieldHighlighted(all[pair_.entry], pair_.idx, false);
            };
        f->onOpen = [this, f, src] {
            AccentMenu& m = *f->popup();
            m.clear();
            const auto& all = KeySubOpt::shared().keySub.get();
            if (pair_.entry >= all.size()) return;
            const auto entries = pairMenuEntries(all[pair_.entry], pair_.idx, src);
            for (std::size_t r = 0; r < entries.size(); ++r) {
                if (entries[r].separator) {
                    m.addSeparator();
                    continue;
                }
                QAction* a = m.addAction(q(entries[r].label));
                a->setProperty("accent", entries[r].accent);
                a->setEnabled(entries[r].enabled);
                connect(a, &QAction::triggered, this, [p = pair_, r, src] {
                    if (src)
                        selectSourceKey(p, r);
                    else
                        selectDestinationKey(p, r);
                });
            }
        };
        h->addWidget(f);
        return f;
    };
    src_ = makeField(true);
    dir_ = new QToolButton(this);
    dir_->setObjectName("direction");
    dir_->setAutoRaise(true);
    dir_->setFixedHeight(20);
    dir_->setContentsMargins(10, 0, 10, 0);
    connect(dir_, &QToolButton::pressed, this, [this] { toggleTwoWay(pair_); });
    h->addWidget(dir_);
    dst_ = makeField(false);
    del_ = new ConfirmDelButton(true, [this] { deletePair(pair_); }, this);
    del_->setObjectName("deleteButton");
    h->addWidget(del_);
}

void PairRowWidget::setPair(const PairRef& p) {
    pair_ = p;
    const auto& all = KeySubOpt::shared().keySub.get();
    if (p.entry >= all.size() || p.idx >= all[p.entry].subItemsSrc.size()) return;
    const KeySub& k = all[p.entry];
    for (bool src : {true, false}) {
        CellButton* f = field(src);
        const bool hi = pairFieldHighlighted(k, p.idx, src);
        const QColor tone = pairLabelTone(k, p.idx, src) == PairTone::Primary ? primaryColor() : dimLabelColor();
        const QColor c = hi ? accentTextColor() : tone;
        f->setArmed(hi);
        f->setLook(q(hidKeyLabel(src ? k.subItemsSrc[p.idx] : k.subItemsDst[p.idx])), c, c);
    }
    const bool two = p.idx < k.subBidir.size() && k.subBidir[p.idx];
    dir_->setText(two ? QStringLiteral("\u21C4") : QStringLiteral("\u2192"));
    dir_->setEnabled(directionEnabled(k, p.idx));
}

SubBlockWidget::SubBlockWidget(QWidget* parent) : FramedBlock(parent) {
    setObjectName("subBlock");
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(10, 0, 10, 10);
    v->setSpacing(0);
    titleRow = new QWidget(this);
    auto* t = new QHBoxLayout(titleRow);
    t->setContentsMargins(10, 0, 10, 0);
    t->setSpacing(4);
    product_ = new QLabel(titleRow);
    vendor_ = new QLabel(titleRow);
    vendor_->setContentsMargins(10, 0, 0, 0);
    for (QLabel* l : {product_, vendor_}) {
        l->setMaximumWidth(160);
        setTextColor(l, dimLabelColor());
        t->addWidget(l);
    }
    add_ = plusButton(titleRow, "Hint substitution add");
    connect(add_, &QToolButton::pressed, this, [this] { addSubstitutionPair(block_.entry); });
    t->addWidget(add_);
    v->addWidget(titleRow, 0, Qt::AlignHCenter);
    empty_ = new QWidget(this);
    empty_->setFixedSize(320, 0);
    v->addWidget(empty_);
    rowList_ = new QVBoxLayout;
    rowList_->setContentsMargins(0, 4, 0, 0);
    rowList_->setSpacing(0);
    v->addLayout(rowList_);
}

void SubBlockWidget::setBlock(const SubBlock& b) {
    block_ = b;
    const auto& all = KeySubOpt::shared().keySub.get();
    if (b.entry >= all.size()) return;
    const KeySub& k = all[b.entry];
    product_->setText(q(k.name.product));
    vendor_->setText(q(k.name.vendor));
    const std::size_t n = k.subItemsSrc.size();
    empty_->setVisible(n == 0);
    while (rows_.size() > n) {
        delete rows_.back();
        rows_.pop_back();
    }
    while (rows_.size() < n) {
        rows_.push_back(new PairRowWidget(this));
        rowList_->addWidget(rows_.back());
        rows_.back()->show();
    }
    for (std::size_t i = 0; i < n; ++i) rows_[i]->setPair({b.entry, i});
}

} // namespace corv::ui::keyboard
