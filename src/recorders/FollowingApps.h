#pragma once

// The application the panel edits, and the applications whose bindings follow
// the global profile.

#include "model/Apps.h"

#include <string>
#include <vector>

namespace corv::recorders {

// UIApp.id; "" is the global profile.
std::string selectedAppId();

// Ids of the map, the global profile excepted, whose entry in Apps.a is not
// locked, in map order. An id without an entry in Apps.a is left out.
std::vector<std::string> unlockedGesApps(const AppEntries& apps);
std::vector<std::string> unlockedKeyApps(const AppEntries& apps);

} // namespace corv::recorders
