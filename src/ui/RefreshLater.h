#pragma once

// One refresh of a widget on a later turn of the run loop: asks made before it
// runs are merged, and a widget gone by then is left alone.

#include "platform/Platform.h"

#include <QPointer>

namespace corv::ui {

template <typename W>
void refreshLater(W* widget, bool W::*pending, void (W::*refresh)()) {
    if (widget->*pending) return;
    widget->*pending = true;
    QPointer<W> self = widget;
    platform::runLoop().post([self, pending, refresh] {
        if (!self) return;
        self.data()->*pending = false;
        (self.data()->*refresh)();
    });
}

} // namespace corv::ui
