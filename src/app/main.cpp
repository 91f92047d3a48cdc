// The program's entry. Until the application shell exists it loads the
// settings (importing a settings file named on the command line), saves them
// and exits.

#include "model/SettingsStore.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvadine"));
    int status = 0;
    {
        corv::desktop::DesktopPlatform platform;
        if (const auto load = corv::loadSettings(); load.notImported)
            std::fprintf(stderr, "%s\n", corv::notImportedMessage(*load.notImported).c_str());
        if (!corv::saveSettings()) status = 1;
        corv::resetShared();
    }
    std::puts(status == 0 ? "corvadine: settings loaded and saved; the application shell is not built yet."
                          : "corvadine: the settings could not be saved; the application shell is not built yet.");
    return status;
}
