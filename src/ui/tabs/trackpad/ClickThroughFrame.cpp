#include "ui/tabs/trackpad/ClickThroughFrame.h"

#include "platform/Localization.h"
#include "ui/OutterFrame.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace corv::ui::trackpad {

ClickThroughFrame makeClickThroughFrame(QWidget* parent) {
    auto* section = new QWidget(parent);
    section->setObjectName("clickThroughSection");
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(6, 0, 0, 0);
    column->setSpacing(0);
    auto* title = new QLabel(QString::fromStdString(platform::localized("Setting tab CT")), section);
    QPalette pal = title->palette();
    pal.setColor(QPalette::WindowText, dimLabelColor());
    title->setPalette(pal);
    title->setContentsMargins(10, 0, 10, 0);
    auto* titleRow = new QHBoxLayout;
    titleRow->addWidget(title);
    titleRow->addStretch(1);
    column->addLayout(titleRow);
    column->addSpacing(10);
    // The outline takes 10 of the 30 at the sides and below.
    auto* padded = new QHBoxLayout;
    padded->setContentsMargins(20, 10, 20, 20);
    padded->addWidget(new OutterFrame(section, title, 2, parent));
    return {section, column, padded};
}

} // namespace corv::ui::trackpad
