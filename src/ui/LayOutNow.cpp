#include "ui/LayOutNow.h"

#include <QLayout>
#include <QWidget>

namespace corv::ui {

void layOutNow(QWidget* root) {
    for (QObject* child : root->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        // A window of its own (a menu, a hint) is not laid out in this one.
        if (w && !w->isWindow() && !w->isHidden()) layOutNow(w);
    }
    // A block laid out tells its parent's layout that its size hint changed.
    if (QLayout* layout = root->layout()) layout->activate();
}

} // namespace corv::ui
