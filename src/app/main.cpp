// The program's entry: the Qt application, the desktop machine, then the
// application shell until it is told to quit.

#include "app/AppDelegate.h"
#include "app/CorvadineApp.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopDisplayCheck.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/DesktopTrace.h"

#include <QApplication>

#include <string>

int main(int argc, char** argv) {
    corv::desktop::useOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("corvadine"));
    QApplication::setQuitOnLastWindowClosed(false);
    int status = 0;
    {
        corv::desktop::DesktopPlatform platform;
        if (corv::desktop::traceEnabled())
            corv::app::AppDelegate::shared().stepObserver = [](std::string_view step) {
                corv::desktop::trace(("step " + std::string(step)).c_str());
            };
        corv::app::CorvadineApp entry;
        entry.launch();
        status = QApplication::exec();
        corv::resetShared();
    }
    return status;
}
