#include "app/Relaunch.h"

#include "app/AppDelegate.h"
#include "platform/Platform.h"

namespace corv::app {

void relaunchApp() {
    auto& bundle = platform::bundle();
    std::vector<std::string> args{"-c", kRelaunchScript, bundle.path()};
    // The settings file imported at launch is not imported again: that
    // would undo what was changed since.
    const auto imported = AppDelegate::shared().settingsLoad.importedArgument;
    const auto own = bundle.arguments();
    for (std::size_t i = 1; i < own.size(); ++i)
        if (i != imported) args.push_back(own[i]);
    platform::processes().spawn(kRelaunchShell, args);
    platform::lifecycle().terminate();
}

} // namespace corv::app
