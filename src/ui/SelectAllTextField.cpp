#include "ui/SelectAllTextField.h"

#include "ui/FlattenText.h"
#include "ui/Theme.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>

namespace corv::ui {

SelectAllTextField::SelectAllTextField(TextFieldSetup setup, std::function<void(const std::string&)> setText,
                                       QWidget* parent)
    : QLineEdit(parent), setup_(std::move(setup)), setText_(std::move(setText)) {
    FieldRegistry::shared().enter(setup_.fieldTag, this);
    setPlaceholderText(QString::fromStdString(setup_.placeholder));
    setFrame(false);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setFont(systemFont(13));
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    setPalette(pal);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (setText_) setText_(t.toStdString());
    });
    connect(this, &QLineEdit::editingFinished, this, [this] { endEditing(); });
}

SelectAllTextField::~SelectAllTextField() {
    // Ending with its window is leaving it.
    if (inRegistry_) leftWindow();
}

void SelectAllTextField::update(const std::string& text, const QColor& color) {
    const QString t = QString::fromStdString(text);
    if (this->text() != t) setText(t);
    if (palette().color(QPalette::Text) != color) {
        QPalette pal = palette();
        pal.setColor(QPalette::Text, color);
        setPalette(pal);
    }
}

bool SelectAllTextField::inWindow() const { return window() != this && isVisible(); }

void SelectAllTextField::focusAndSelectAll() {
    window()->activateWindow();
    setFocus(Qt::OtherFocusReason);
    selectAll();
}

void SelectAllTextField::endEditing() {
    const std::string shown = text().toStdString();
    const std::string cleaned = flattenToSingleLine(shown);
    if (shown != cleaned) {
        setText(QString::fromStdString(cleaned));
        if (setText_) setText_(cleaned);
    }
    if (setup_.onEndEditing) setup_.onEndEditing(cleaned);
}

void SelectAllTextField::leftWindow() {
    inRegistry_ = false;
    FieldRegistry::shared().leave(setup_.fieldTag, this);
    if (setup_.onDisappear) setup_.onDisappear(text().toStdString());
}

bool SelectAllTextField::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::Show:
        if (setup_.autoFocus && !didSetup_) {
            didSetup_ = true;
            QTimer::singleShot(0, this, [self = QPointer<SelectAllTextField>(this)] {
                if (self && self->inWindow()) self->focusAndSelectAll();
            });
        }
        break;
    case QEvent::ParentChange:
        // Taken out of every window: it is not entered again.
        if (!parentWidget() && inRegistry_) leftWindow();
        break;
    default: break;
    }
    return QLineEdit::event(e);
}

} // namespace corv::ui
