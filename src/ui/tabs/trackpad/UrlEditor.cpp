#include "ui/tabs/trackpad/UrlEditor.h"

#include "model/HelpTexts.h"
#include "platform/Localization.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "ui/FieldRegistry.h"
#include "ui/FrameWatch.h"
#include "ui/HintPanelWidget.h"
#include "ui/HintWinManager.h"
#include "ui/SelectAllTextField.h"
#include "ui/Theme.h"
#include "ui/ShortcutsButton.h"
#include "ui/SymbolButton.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QVBoxLayout>

namespace corv::ui::trackpad {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

} // namespace

UrlEditor::UrlEditor(const RowRef& row, QWidget* parent) : QWidget(parent), row_(row) {
    setObjectName("urlEditor");
    remembered_ = rememberUrlBinding(row_);
    auto* block = new QVBoxLayout(this);
    block->setContentsMargins(4, 4, 4, 4);
    block->setSpacing(10);

    auto line = [&](QWidget* first, UrlField f, const char* placeholder) {
        auto* h = new QHBoxLayout;
        h->setSpacing(6);
        h->addStretch(1);
        h->addWidget(first);
        auto* paste = new SymbolButton(Symbol::Paste, 12, this);
        attachHint(paste, q(platform::localized("Hint paste")));
        paste->setColor(secondaryColor());
        connect(paste, &QToolButton::pressed, this, [this, f] { this->paste(f); });
        (f == UrlField::Name ? pasteName_ : pasteTarget_) = paste;
        h->addWidget(paste);
        h->addWidget(makeField(f, placeholder));
        block->addLayout(h);
    };

    help_ = new SymbolButton(Symbol::QuestionCircle, 16, this);
    help_->setColor(secondaryColor());
    attachHint(help_, q(helpText(HelpTopic::Url)), true);
    connect(help_, &QToolButton::pressed, this,
            [this] { HintWinManager::shared().toggleHelp(helpText(HelpTopic::Url), globalFrame(help_)); });
    line(help_, UrlField::Name, "Name");

    line(makeShortcutsButton(this, [this](const std::string& name) { chooseShortcut(row_, name); }), UrlField::Target,
         "URL, path or shortcut");

    syncFields();
}

UrlEditor::~UrlEditor() {
    // The fields go first: their final writes are queued before the carry-over.
    delete name_;
    delete target_;
    scheduleUrlCarryOver(row_, remembered_);
}

SelectAllTextField* UrlEditor::makeField(UrlField f, const char* placeholder) {
    TextFieldSetup setup;
    setup.placeholder = placeholder;
    setup.autoFocus = f == UrlField::Name;
    setup.fieldTag = rowFieldTag(row_.path) + fieldSuffix(f);
    const RowRef row = row_;
    setup.onDisappear = [row, f](const std::string& text) { commitUrlField(row, f, text); };
    auto* field = new SelectAllTextField(
        std::move(setup),
        [this, f](const std::string& text) {
            writeUrlField(row_, f, text);
            syncFields();
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

void UrlEditor::paste(UrlField f) {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    std::optional<std::string> text;
    if (data && data->hasText()) text = data->text().toStdString();
    pasteUrlField(row_, f, text);
    syncFields();
    const std::string tag = rowFieldTag(row_.path) + fieldSuffix(f);
    platform::runLoop().post([tag] { FieldRegistry::shared().focusField(tag); });
}

void UrlEditor::setRow(const RowRef& row) {
    row_ = row;
    syncFields();
}

void UrlEditor::syncFields() {
    BindAction b = readBinding(row_);
    const QColor tint = urlKindColor(targetKind(b.appName));
    if (name_) name_->update(b.hotkeyName, primaryColor());
    if (target_) target_->update(b.appName, tint.isValid() ? tint : secondaryColor());
}

void UrlEditor::mousePressEvent(QMouseEvent* e) { e->accept(); }

} // namespace corv::ui::trackpad
