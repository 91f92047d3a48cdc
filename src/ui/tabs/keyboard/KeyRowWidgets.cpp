#include "engine/LaunchTarget.h"
#include "model/HelpTexts.h"
#include "platform/Localization.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
// Model headers come before Qt's, whose keywords clash with them.
#include "ui/tabs/keyboard/KeyRowWidgets.h"

#include "ui/ConfirmDelButton.h"
#include "ui/DrawableText.h"
#include "ui/FieldRegistry.h"
#include "ui/FrameWatch.h"
#include "ui/HintPanelWidget.h"
#include "ui/HintWinManager.h"
#include "ui/SelectAllTextField.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/tabs/keyboard/LogiBlocks.h"
#include "ui/ShortcutsButton.h"
#include "ui/SymbolButton.h"
#include "ui/ActionSubmenus.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionMenuItem>
#include <QVBoxLayout>

namespace corv::ui::keyboard {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QLabel* arrowLabel(QWidget* parent) {
    auto* a = new QLabel(parent);
    a->setObjectName("arrow");
    a->setContentsMargins(10, 0, 10, 0);
    return a;
}

void paintArrow(QLabel* a, const QColor& c) {
    a->setText(QStringLiteral("\u2192"));
    QPalette pal = a->palette();
    pal.setColor(QPalette::WindowText, c);
    a->setPalette(pal);
}

} // namespace

class CellMenu : public AccentMenu {
public:
    using AccentMenu::AccentMenu;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override {
        AccentMenu::initStyleOption(option, action);
        if (!action || !action->property("green").toBool()) return;
        for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            option->palette.setColor(role, QColor(0, 200, 0, 153));
    }
};

AccentMenu* CellButton::popup() const { return menu_; }

QColor toneColor(Tone tone, const QColor& norm) {
    switch (tone) {
    case Tone::Primary: return primaryColor();
    case Tone::Accent: return accentTextColor();
    case Tone::Dim: return dimLabelColor();
    case Tone::Norm: break;
    }
    return norm;
}

CellButton::CellButton(int width, QWidget* parent) : QToolButton(parent), menu_(new CellMenu(this)) {
    setFixedSize(width + 8, 20);
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    setFont(systemFont(13, QFont::Light));
    setMenu(menu_);
    connect(menu_, &QMenu::aboutToShow, this, [this] {
        if (onOpen) onOpen();
    });
}

void CellButton::setLook(const QString& text, const QColor& frame, const QColor& label) {
    // A label wider than the cell ends in an ellipsis.
    setText(fontMetrics().elidedText(text, Qt::ElideRight, width() - 12));
    setStyleSheet(QStringLiteral("QToolButton { border: 1px solid %1; border-radius: 4px; color: %2; padding: 0 4px; }"
                                 " QToolButton::menu-indicator { image: none; }")
                      .arg(frame.name(QColor::HexArgb), label.name(QColor::HexArgb)));
}

void CellButton::mousePressEvent(QMouseEvent* e) {
    if (!armed_) {
        e->accept();
        if (e->button() != Qt::LeftButton || !onPress) return;
        onPress();
        // A choice cell's first click highlights it and opens its menu.
        if (!armsAndOpens || !armsAndOpens()) return;
        armed_ = true;
    }
    QToolButton::mousePressEvent(e);
}

void CellButton::keyPressEvent(QKeyEvent* e) {
    if (armed_ || e->key() != Qt::Key_Space || e->modifiers() != Qt::NoModifier) return QToolButton::keyPressEvent(e);
    e->accept();
    if (e->isAutoRepeat() || !onPress) return;
    onPress();
    // As with the first click, a choice cell opens its menu at once.
    if (!armsAndOpens || !armsAndOpens()) return;
    armed_ = true;
    showMenu();
}

void fillKeyActionMenu(AccentMenu& menu, const KeySlotRef& slot) {
    menu.clear();
    const std::optional<BindAction> b = readSlot(slot);
    const BindAction shown = b.value_or(BindAction{});
    for (const ActionEntry& e : actionEntries(slot.logi, b)) {
        switch (e.kind) {
        case ActionEntry::Kind::Separator: menu.addSeparator(); break;
        case ActionEntry::Kind::Action: {
            QAction* a = addAccentEntry(menu, e.name, e.accent, e.hint);
            a->setProperty("act", QVariant::fromValue<qlonglong>(e.act));
            QObject::connect(a, &QAction::triggered, [slot, act = e.act] { chooseMenuAction(slot, act); });
            break;
        }
        case ActionEntry::Kind::AppLaunch: {
            AccentMenu* sub = addAccentSubmenu(menu, e.name, e.accent, e.hint);
            sub->menuAction()->setProperty("act", QVariant::fromValue<qlonglong>(e.act));
            for (const Application& app : launchApps())
                QObject::connect(addAccentEntry(*sub, app.name, b && appEntryAccent(*b, app)), &QAction::triggered,
                                 [slot, app] { chooseLaunchApp(slot, app); });
            break;
        }
        case ActionEntry::Kind::ModClicks: {
            AccentMenu* sub = addAccentSubmenu(menu, e.name, e.accent, e.hint);
            sub->menuAction()->setProperty("act", QVariant::fromValue<qlonglong>(e.act));
            for (const SubEntry& m : modifierSubmenus(shown)) {
                AccentMenu* clicks = addAccentSubmenu(*sub, m.shown, b && m.accent);
                for (const SubEntry& c : clickEntries(shown, m.label))
                    QObject::connect(addAccentEntry(*clicks, c.shown, b && c.accent), &QAction::triggered,
                                     [slot, mod = m.label, click = c.label] { chooseModClick(slot, mod, click); });
            }
            break;
        }
        case ActionEntry::Kind::ExtraKeys: {
            AccentMenu* sub = addAccentSubmenu(menu, e.name, e.accent);
            sub->menuAction()->setProperty("act", QVariant::fromValue<qlonglong>(e.act));
            const auto keys = extraKeyEntries(b);
            for (std::size_t i = 0; i < keys.size(); ++i) {
                if (keys[i].separator) {
                    sub->addSeparator();
                    continue;
                }
                QObject::connect(addAccentEntry(*sub, keys[i].name, keys[i].accent), &QAction::triggered,
                                 [slot, i] { chooseExtraKey(slot, i); });
            }
            break;
        }
        }
    }
}

KeyUrlEditor::KeyUrlEditor(const KeySlotRef& slot, QWidget* parent) : QWidget(parent), slot_(slot) {
    setObjectName("urlEditor");
    if (!slot_.logi) remembered_ = readSlot(slot_);
    auto* block = new QVBoxLayout(this);
    block->setContentsMargins(4, 4, 4, 4);
    block->setSpacing(10);
    const auto line = [&](QWidget* first, UrlField f, const char* placeholder) {
        auto* h = new QHBoxLayout;
        h->setSpacing(6);
        h->addStretch(1);
        h->addWidget(first);
        auto* paste = new SymbolButton(Symbol::Paste, 12, this);
        paste->setObjectName(f == UrlField::Name ? "pasteName" : "pasteTarget");
        attachHint(paste, q(platform::localized("Hint paste")));
        paste->setColor(secondaryColor());
        connect(paste, &QToolButton::pressed, this, [this, f] {
            const QMimeData* data = QApplication::clipboard()->mimeData();
            std::optional<std::string> text;
            if (data && data->hasText()) text = data->text().toStdString();
            pasteUrlField(slot_, f, text);
            sync();
            const std::string tag = fieldTag(slot_, f);
            platform::runLoop().post([tag] { FieldRegistry::shared().focusField(tag); });
        });
        h->addWidget(paste);
        h->addWidget(makeField(f, placeholder));
        block->addLayout(h);
    };
    auto* help = new SymbolButton(Symbol::QuestionCircle, 16, this);
    help->setColor(secondaryColor());
    attachHint(help, q(helpText(HelpTopic::Url)), true);
    connect(help, &QToolButton::pressed, this,
            [help] { HintWinManager::shared().toggleHelp(helpText(HelpTopic::Url), globalFrame(help)); });
    line(help, UrlField::Name, "Name");
    auto* shortcuts = makeShortcutsButton(this, [this](const std::string& name) {
        pickShortcut(slot_, name);
        sync();
    });
    line(shortcuts, UrlField::Target, "URL, path or shortcut");
    sync();
}

KeyUrlEditor::~KeyUrlEditor() {
    // The fields go first: their last writes are queued before the carry-over.
    delete name_;
    delete target_;
    scheduleUrlCarryOver(slot_, remembered_);
}

SelectAllTextField* KeyUrlEditor::makeField(UrlField f, const char* placeholder) {
    TextFieldSetup setup;
    setup.placeholder = placeholder;
    setup.autoFocus = f == UrlField::Name;
    setup.fieldTag = fieldTag(slot_, f);
    setup.onDisappear = [slot = slot_, f](const std::string& text) { commitUrlField(slot, f, text); };
    auto* field = new SelectAllTextField(
        std::move(setup),
        [this, f](const std::string& text) {
            writeUrlField(slot_, f, text);
            sync();
        },
        this);
    field->setObjectName(f == UrlField::Name ? "nameField" : "targetField");
    field->setFixedWidth(209);
    field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: 1px solid %1; border-radius: 4px;"
                                        " padding: 2px 4px; }")
                             .arg(secondaryColor().name(QColor::HexArgb)));
    (f == UrlField::Name ? name_ : target_) = field;
    return field;
}

void KeyUrlEditor::sync() {
    const std::string target = urlFieldText(slot_, UrlField::Target);
    const QColor tint = urlKindColor(static_cast<int>(engine::classifyLaunchTarget(target)));
    if (name_) name_->update(urlFieldText(slot_, UrlField::Name), primaryColor());
    if (target_) target_->update(target, tint.isValid() ? tint : secondaryColor());
}

void KeyUrlEditor::mousePressEvent(QMouseEvent* e) { e->accept(); }

GeneralKeyRow::GeneralKeyRow(QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    line_ = new QWidget(this);
    outer->addWidget(line_, 0, Qt::AlignRight);
    auto* h = new QHBoxLayout(line_);
    h->setContentsMargins(10, 6, 10, 6);
    h->setSpacing(0);
    keyCell_ = new CellButton(111, line_);
    keyCell_->setObjectName("keyCell");
    keyCell_->onPress = [this] { highlightRowCell(row_, true); };
    keyCell_->onOpen = [this] {
        AccentMenu& m = *keyCell_->popup();
        m.clear();
        const auto entries = keyMenuEntries(row_);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].separator) {
                m.addSeparator();
                continue;
            }
            QAction* a = addAccentEntry(m, entries[i].name, entries[i].accent);
            a->setEnabled(entries[i].enabled);
            connect(a, &QAction::triggered, this, [row = row_, i] { chooseMenuKey(row, i); });
        }
    };
    h->addWidget(keyCell_);
    auto* arrow = arrowLabel(line_);
    paintArrow(arrow, dimLabelColor());
    h->addWidget(arrow);
    actionCell_ = new CellButton(117, line_);
    actionCell_->setObjectName("actionCell");
    actionCell_->onPress = [this] { highlightRowCell(row_, false); };
    actionCell_->armsAndOpens = [this] { return actionCellHighlighted(row_); };
    actionCell_->onOpen = [this] { fillKeyActionMenu(*actionCell_->popup(), row_.slot); };
    h->addWidget(actionCell_);
}

void GeneralKeyRow::setRow(const KeyRow& row) {
    row_ = row;
    const QColor norm = row.color == RowColor::Primary      ? primaryColor()
                        : row.color == RowColor::Overridden ? overriddenBindingColor()
                                                            : dimLabelColor();
    const bool keyHi = keyCellHighlighted(row), actHi = actionCellHighlighted(row);
    const CellLabel k = keyCellLabel(row);
    keyCell_->setArmed(keyHi);
    keyCell_->setLook(q(k.text), keyHi ? accentTextColor() : norm, toneColor(k.tone, norm));
    const CellLabel a = actionCellLabel(row.slot, actHi);
    actionCell_->setArmed(actHi);
    actionCell_->setLook(drawableText(a.text), actHi ? accentTextColor() : norm, toneColor(a.tone, norm));
    // A row widget may pass from an own binding to an inherited one.
    if (!del_ || del_->isEnabled() != row.delEn) {
        delete del_;
        del_ = new ConfirmDelButton(row.delEn, [this] { deleteKeyBinding(row_); }, line_);
        del_->setObjectName("deleteButton");
        del_->setEnabled(row.delEn);
        line_->layout()->addWidget(del_);
    }
    if (keyEditorShown(row)) {
        if (!editor_) {
            editor_ = new KeyUrlEditor(row.slot, this);
            layout()->addWidget(editor_);
            editor_->show();
        } else {
            editor_->sync();
        }
    } else if (editor_) {
        delete editor_;
        editor_ = nullptr;
    }
}

QuirkKeyRow::QuirkKeyRow(QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* line = new QWidget(this);
    outer->addWidget(line, 0, Qt::AlignRight);
    auto* h = new QHBoxLayout(line);
    h->setContentsMargins(10, 6, 10, 6);
    h->setSpacing(0);
    controlCell_ = new CellButton(111, line);
    controlCell_->setObjectName("controlCell");
    controlCell_->onPress = [this] { highlightQuirkKey(static_cast<int>(slot_.optIdx), slot_.cid); };
    controlCell_->onOpen = [this] {
        AccentMenu& m = *controlCell_->popup();
        m.clear();
        for (const ControlItem& c : controlMenuItems(static_cast<int>(slot_.optIdx))) {
            QAction* a = addAccentEntry(m, c.label, false);
            a->setProperty("green", c.green);
            connect(a, &QAction::triggered, this,
                    [opt = static_cast<int>(slot_.optIdx), from = slot_.cid, to = c.cid] { chooseMenuControl(opt, from, to); });
        }
    };
    h->addWidget(controlCell_);
    arrow_ = arrowLabel(line);
    h->addWidget(arrow_);
    actionCell_ = new CellButton(117, line);
    actionCell_->setObjectName("actionCell");
    actionCell_->onPress = controlCell_->onPress;
    actionCell_->armsAndOpens = [this] { return quirkHighlighted(static_cast<int>(slot_.optIdx), slot_.cid); };
    actionCell_->onOpen = [this] { fillKeyActionMenu(*actionCell_->popup(), slot_); };
    h->addWidget(actionCell_);
    del_ = new ConfirmDelButton(true, [this] { deleteQuirkBinding(static_cast<int>(slot_.optIdx), slot_.cid); }, line);
    del_->setObjectName("deleteButton");
    h->addWidget(del_);
}

void QuirkKeyRow::setRow(int optIdx, std::uint16_t cid) {
    slot_ = KeySlotRef::control(optIdx, cid);
    const bool hi = quirkHighlighted(optIdx, cid);
    const QColor norm = primaryColor(), frame = hi ? accentTextColor() : norm;
    controlCell_->setArmed(hi);
    controlCell_->setLook(q(controlDisplayText(cid)), frame, hi ? accentTextColor() : norm);
    paintArrow(static_cast<QLabel*>(arrow_), hi ? accentTextColor() : dimLabelColor());
    const CellLabel a = actionCellLabel(slot_, hi);
    actionCell_->setArmed(hi);
    actionCell_->setLook(drawableText(a.text), frame, toneColor(a.tone, norm));
    if (quirkEditorShown(optIdx, cid)) {
        if (!editor_) {
            editor_ = new KeyUrlEditor(slot_, this);
            layout()->addWidget(editor_);
            editor_->show();
        } else {
            editor_->sync();
        }
    } else if (editor_) {
        delete editor_;
        editor_ = nullptr;
    }
}

void QuirkKeyRow::mousePressEvent(QMouseEvent* e) {
    e->accept();
    if (e->button() == Qt::LeftButton) highlightQuirkKey(static_cast<int>(slot_.optIdx), slot_.cid);
}

} // namespace corv::ui::keyboard
