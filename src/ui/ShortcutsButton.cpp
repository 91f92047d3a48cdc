#include "ui/ShortcutsButton.h"

#include "engine/ShortcutList.h"
#include "platform/Localization.h"
#include "ui/HintPanelWidget.h"
#include "ui/SymbolButton.h"
#include "ui/Theme.h"

#include <QMenu>

namespace corv::ui {

QToolButton* makeShortcutsButton(QWidget* parent, std::function<void(const std::string& name)> pick) {
    auto* button = new SymbolButton(Symbol::Bolt, 12, parent);
    button->setColor(secondaryColor());
    attachHint(button, QString::fromStdString(platform::localized("Hint shortcuts")));
    button->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(button);
    // The names as they are when the menu opens.
    QObject::connect(menu, &QMenu::aboutToShow, button, [menu, button, pick] {
        menu->clear();
        for (const std::string& name : engine::ShortcutList::shared().names)
            QObject::connect(menu->addAction(QString::fromStdString(name)), &QAction::triggered, button,
                             [pick, name] { pick(name); });
    });
    button->setMenu(menu);
    // An empty menu would hold the pointer until the next click: with no
    // shortcuts the button takes none.
    button->setEnabled(!engine::ShortcutList::shared().names.empty());
    return button;
}

} // namespace corv::ui
