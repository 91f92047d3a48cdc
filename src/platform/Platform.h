#pragma once

// The services the system reaches the machine through. One implementation is
// installed at a time: the simulation in tests, the desktop one in the program.

#include "platform/AppControl.h"
#include "platform/Bundle.h"
#include "platform/FileSystem.h"
#include "platform/LoginItems.h"
#include "platform/RunLoop.h"
#include "platform/UserDefaults.h"

namespace corv::platform {

struct Services {
    RunLoop* runLoop = nullptr;
    UserDefaults* defaults = nullptr;
    LoginItems* loginItems = nullptr;
    Bundle* bundle = nullptr;
    FileSystem* files = nullptr;
    AppControl* app = nullptr;
};

// Installs the services; every pointer must outlive its use.
void install(const Services& services);
// Removes the installed services.
void uninstall();
bool installed();

// Each accessor requires the service to be installed.
RunLoop& runLoop();
UserDefaults& defaults();
LoginItems& loginItems();
Bundle& bundle();
FileSystem& files();
AppControl& app();

} // namespace corv::platform
