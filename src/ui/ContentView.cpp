#include "ui/ContentView.h"

#include "ui/Theme.h"
#include "ui/tabs/trackpad/TrackpadTab.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace corv::ui {

QWidget* makeContentView(QWidget* parent) {
    auto* view = new QWidget(parent);
    view->setFixedWidth(kPanelWidth);
    auto* layout = new QVBoxLayout(view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeTrackpadTab(view));
    return view;
}

} // namespace corv::ui
