#include "ui/tabs/trackpad/TrackpadTab.h"

#include <QWidget>

namespace corv::ui {

QWidget* makeTrackpadTab(QWidget* parent) {
    auto* tab = new QWidget(parent);
    tab->setMinimumHeight(200);
    return tab;
}

} // namespace corv::ui
