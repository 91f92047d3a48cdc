#pragma once

// The installed applications: the bundles of the application folders, then
// the desktop's application entries.

#include "model/ApplicationSets.h"
#include "platform/AppFolders.h"

#include <string>
#include <vector>

namespace corv {

// The items of the folder whose extension is exactly "app".
std::vector<std::string> enumerateAppBundles(platform::AppFolders& folders, const std::string& folder);
// What a scan finds, read on the calling thread.
ApplicationSet collectInstalledApps(platform::AppFolders& folders);
// Replaces `installedApps` with what the installed platform finds; off the
// main thread the result reaches the set through the main queue.
void scanInstalledApps(CallerThread caller = CallerThread::Main);
// Starts `scanInstalledApps` in the background and returns at once.
void startInstalledScan();

} // namespace corv
