#include "ui/tabs/trackpad/BindingRow.h"

#include "platform/Localization.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"
#include "ui/ConfirmDelButton.h"
#include "ui/DrawableText.h"
#include "ui/HintPanelWidget.h"
#include "ui/KeyActivation.h"
#include "ui/Theme.h"
#include "ui/tabs/trackpad/ActionMenu.h"
#include "ui/CheckBoxMark.h"
#include "ui/tabs/trackpad/UrlEditor.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace corv::ui::trackpad {

QColor rowColor(RowColor c) {
    switch (c) {
    case RowColor::Dim: return dimLabelColor();
    case RowColor::Overridden: return overriddenBindingColor();
    case RowColor::Primary: break;
    }
    return primaryColor();
}

BindingRow::BindingRow(QWidget* parent) : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    line_ = new QWidget(this);
    outer->addWidget(line_);
    auto* h = new QHBoxLayout(line_);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(0);

    title_ = new QLabel(line_);
    title_->setObjectName("rowTitle");
    h->addWidget(title_);

    menuButton_ = new QToolButton(line_);
    menuButton_->setObjectName("actionMenu");
    menuButton_->setFixedSize(128, 20);
    menuButton_->setPopupMode(QToolButton::InstantPopup);
    menuButton_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    menuButton_->setFont(systemFont(13, QFont::Light));
    menu_ = new AccentMenu(menuButton_);
    menuButton_->setMenu(menu_);
    connect(menu_, &QMenu::aboutToShow, this, [this] { fillActionMenu(*menu_, ref_); });
    h->addSpacing(8);
    h->addWidget(menuButton_);
    h->addSpacing(8);

    ctBox_ = new CheckBoxMark(line_);
    ctBox_->setObjectName("clickThroughBox");
    connect(ctBox_, &QToolButton::pressed, this, [this] { toggleClickThrough(ref_); });
    // A box that is not offered is hidden, so its hint never shows.
    attachHint(ctBox_, QString::fromStdString(platform::localized("Hint binding click through")));
    h->addWidget(ctBox_);
    msBox_ = new CheckBoxMark(line_);
    msBox_->setObjectName("multiShotBox");
    connect(msBox_, &QToolButton::pressed, this, [this] { toggleMultiShot(ref_); });
    attachHint(msBox_, QString::fromStdString(platform::localized("Hint binding multishot")));
    h->addWidget(msBox_);

    line_->setContentsMargins(0, 6, 0, 6);
    // Space or Return highlights the row, as a click does.
    actOnKeys(this, [this] { highlightRow(ref_); });
}

void BindingRow::setRow(const GestureRow& row) {
    ref_ = RowRef::of(row);
    const BindAction b = readBinding(ref_);
    const QColor accent = accentTextColor();
    lineColor_ = row.highlighted ? accent : rowColor(row.normColor);

    title_->setText(drawableText(gestureTitle(row.path)));
    setAccessibleName(title_->text());
    QPalette pal = title_->palette();
    pal.setColor(QPalette::WindowText, lineColor_);
    title_->setPalette(pal);

    const MenuLabel label = bindingMenuLabel(ref_, b);
    const QColor labelColor = label.tone == MenuLabel::Tone::Primary  ? primaryColor()
                              : label.tone == MenuLabel::Tone::Accent ? accent
                                                                      : rowColor(row.normColor);
    menuButton_->setText(drawableText(label.text));
    menuButton_->setStyleSheet(QStringLiteral("QToolButton { border: 1px solid %1; border-radius: 4px; color: %2;"
                                              " padding: 0 4px; } QToolButton::menu-indicator { image: none; }")
                                   .arg(lineColor_.name(QColor::HexArgb), labelColor.name(QColor::HexArgb)));

    const bool hi = row.highlighted;
    const auto box = [&](CheckBoxMark* m, bool offered, bool on) {
        m->setOn(on);
        m->setColor(lineColor_);
        m->setAttribute(Qt::WA_TransparentForMouseEvents, !hi || !offered);
        // The keys reach what the pointer reaches: only the highlighted row's controls.
        m->setFocusPolicy(hi && offered ? Qt::TabFocus : Qt::NoFocus);
        QSizePolicy keep = m->sizePolicy();
        keep.setRetainSizeWhenHidden(true);
        m->setSizePolicy(keep);
        m->setVisible(offered);
    };
    box(ctBox_, clickThroughOffered(b), b.clickTh);
    box(msBox_, multiShotOffered(row.path.ges, b), b.multiShot);
    menuButton_->setAttribute(Qt::WA_TransparentForMouseEvents, !hi);
    menuButton_->setFocusPolicy(hi ? Qt::TabFocus : Qt::NoFocus);
    // An inherited row's button is invisible and takes no click.
    if (!del_ || delEn_ != row.delEn) {
        auto* fresh = new ConfirmDelButton(row.delEn, [this] { deleteBinding(ref_); }, line_);
        fresh->setObjectName("deleteButton");
        fresh->setEnabled(row.delEn);
        if (del_) {
            delete line_->layout()->replaceWidget(del_, fresh);
            delete del_;
        } else {
            line_->layout()->addWidget(fresh);
        }
        fresh->show();
        del_ = fresh;
        delEn_ = row.delEn;
    }

    if (editorShown(hi, b)) {
        if (!editor_) {
            editor_ = new UrlEditor(ref_, this);
            layout()->addWidget(editor_);
            editor_->show();
        } else {
            editor_->setRow(ref_);
        }
    } else if (editor_) {
        delete editor_;
        editor_ = nullptr;
    }
}

void BindingRow::mousePressEvent(QMouseEvent* e) {
    e->accept();
    if (e->button() != Qt::LeftButton || !highlightRow(ref_)) return;
    // A first click on the action button highlights the row and opens the menu.
    if (menuButton_->rect().contains(menuButton_->mapFrom(this, e->position().toPoint()))) menuButton_->showMenu();
}

} // namespace corv::ui::trackpad
