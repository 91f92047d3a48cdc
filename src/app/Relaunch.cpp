#include "app/Relaunch.h"

#include "platform/Platform.h"

namespace corv::app {

void relaunchApp() {
    auto& bundle = platform::bundle();
    std::vector<std::string> args{"-c", kRelaunchScript, bundle.path()};
    const auto own = bundle.arguments();
    if (own.size() > 1) args.insert(args.end(), own.begin() + 1, own.end());
    platform::processes().spawn(kRelaunchShell, args);
    platform::lifecycle().terminate();
}

} // namespace corv::app
