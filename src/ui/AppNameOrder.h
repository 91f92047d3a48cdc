#pragma once

// The order the panel lists applications in: by display name, ignoring case.

#include "model/Apps.h"

#include <string>
#include <vector>

namespace corv::ui {

// The display name of the entry's url, lower-cased and composed; "/" for an
// entry at the root.
std::string appOrderKey(const AnApp& entry);
// The ids of the entries but the global profile, by that key; equal keys keep
// the entries' order.
std::vector<std::string> appIdsByName(const AppEntries& entries);

} // namespace corv::ui
