#pragma once

// The order the panel lists applications in, the same in every list: by
// name lower-cased (Unicode) and composed, stable.

#include "model/ApplicationSets.h"
#include "model/Apps.h"

#include <string>
#include <vector>

namespace corv::ui {

// The name lower-cased and composed.
std::string nameOrderKey(const std::string& name);
// The display name of the entry's url by that key; "/" for an entry at the root.
std::string appOrderKey(const AnApp& entry);
// The ids of the entries but the global profile, by that key; equal keys keep
// the entries' order.
std::vector<std::string> appIdsByName(const AppEntries& entries);
// The pickers' records by the key of their names; equal keys keep their order.
std::vector<Application> sortAppsByName(std::vector<Application> apps);

} // namespace corv::ui
