// The program's entry: the Qt application, the desktop machine, then the
// application shell until it is told to quit.

#include "app/AppDelegate.h"
#include "app/CorvadineApp.h"
#include "engine/NaturalScrollMirror.h"
#include "model/SettingsStore.h"
#include "model/Shared.h"
#include "platform/desktop/shell/DesktopDisplayCheck.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/shell/DesktopTrace.h"
#include "platform/desktop/shell/DesktopWindows.h"
#include "platform/desktop/shell/SessionBusAddress.h"
#include "ui/ContentView.h"

#include <QApplication>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    corv::desktop::useOffscreenWithoutDisplay();
    corv::desktop::refuseBusAutolaunch();
    QApplication app(argc, argv);
    corv::desktop::platformChosen();
    QApplication::setApplicationName(QStringLiteral("corvadine"));
    QApplication::setQuitOnLastWindowClosed(false);
    int status = 0;
    {
        corv::desktop::DesktopPlatform platform;
        corv::desktop::DesktopWindows::setContentFactory(&corv::ui::makeContentView);
        platform.dock.setNaturalScroll([] { return corv::engine::NaturalScrollMirror::shared().get(); });
        if (corv::desktop::traceEnabled())
            corv::app::AppDelegate::shared().stepObserver = [](std::string_view step) {
                corv::desktop::trace(("step " + std::string(step)).c_str());
            };
        corv::app::CorvadineApp entry;
        entry.launch();
        const auto& load = corv::app::AppDelegate::shared().settingsLoad;
        if (load.notImported) std::fprintf(stderr, "%s\n", corv::notImportedMessage(*load.notImported).c_str());
        if (load.missing) std::fprintf(stderr, "%s\n", corv::missingFileMessage(*load.missing).c_str());
        status = QApplication::exec();
        if (corv::app::AppDelegate::shared().finalSaveFailed) {
            std::fputs("corvadine: the settings could not be saved\n", stderr);
            if (status == 0) status = 1;
        }
        corv::resetShared();
    }
    return status;
}
