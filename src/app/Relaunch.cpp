#include "app/Relaunch.h"

#include "app/AppDelegate.h"
#include "platform/Platform.h"

namespace corv::app {

void relaunchApp() {
    auto& bundle = platform::bundle();
    std::vector<std::string> args{"-c", kRelaunchScript, bundle.path()};
    // Before the launch has loaded the settings (the permission alert) the
    // next copy gets the same arguments. After it, none: every argument may
    // name a settings file by then, and importing one would undo what was
    // changed, loaded or reset since.
    if (!AppDelegate::shared().launched) {
        const auto own = bundle.arguments();
        for (std::size_t i = 1; i < own.size(); ++i) args.push_back(own[i]);
    }
    platform::processes().spawn(kRelaunchShell, args);
    platform::lifecycle().terminate();
}

} // namespace corv::app
