#include "ui/HelpButton.h"

#include "ui/FrameWatch.h"
#include "ui/HintPanelWidget.h"
#include "ui/HintWinManager.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QToolButton>

namespace corv::ui {

QToolButton* makeHelpButton(const std::string& text, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setAutoRaise(true);
    b->setFixedSize(16, 16);
    b->setIconSize(QSize(16, 16));
    b->setIcon(QIcon(symbolPixmap(QStringLiteral("questionmark.circle"), 16, dimLabelColor(), true)));
    b->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; background: transparent; }"));
    b->setFocusPolicy(Qt::NoFocus);
    attachHint(b, QString::fromStdString(text), true);
    QObject::connect(b, &QToolButton::clicked, b, [b, text] { HintWinManager::shared().toggleHelp(text, globalFrame(b)); });
    return b;
}

} // namespace corv::ui
