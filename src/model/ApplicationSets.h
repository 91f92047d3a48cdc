#pragma once

// The installed, running and all applications. Each set is replaced whole
// when rebuilt and is iterated in `ApplicationOrder` (name, then id, then
// url). Written and read on the main thread.

#include "model/Application.h"

#include <set>

namespace corv {

using ApplicationSet = std::set<Application, ApplicationOrder>;

struct ApplicationSets {
    ApplicationSet installedApps;
    // Running applications with the regular activation policy.
    ApplicationSet runningApps;
    // The installed ones plus each running one whose name is not there yet.
    ApplicationSet allApps;

    static ApplicationSets& shared();
};

// Where a call comes from: off the main thread, results reach the sets
// through the main queue.
enum class CallerThread { Main, Background };

// Scans the workspace's running applications into `runningApps`.
void scanRunningApps(CallerThread caller = CallerThread::Main);
// Replaces `allApps`. Main thread.
void rebuildAllApps();
// `scanRunningApps`, then `rebuildAllApps` on the main thread.
void refreshRunningApps(CallerThread caller = CallerThread::Main);

} // namespace corv
