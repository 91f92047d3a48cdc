#include "platform/desktop/shell/DesktopBackground.h"

#include <QThreadPool>

namespace corv::desktop {

void DesktopBackground::run(platform::Task task) {
    QThreadPool::globalInstance()->start([task = std::move(task)] { task(); });
}

} // namespace corv::desktop
