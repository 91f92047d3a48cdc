#pragma once

// Adding and removing one gesture binding of an application, with the
// applications that follow the global profile kept in step.

#include "model/BindAction.h"
#include "recorders/BindingPaths.h"

#include <string>

namespace corv::recorders {

// Adds the binding for a gesture the application does not bind yet. A binding
// added to the global profile reaches every unlocked application without one
// there; one added to an application starts as the global profile's binding
// for the gesture when it has one. Nothing is written when the application's
// entry, or for an application the global entry, is missing.
void addGesBinding(const std::string& app, std::uint64_t fgr, ActGes ges, std::uint64_t mod, ActDir dir,
                   const BindAction& binding);

// Removes the binding and the levels left empty. For the global profile the
// unlocked applications whose binding there was the same lose theirs too.
// Entries are never removed.
void removeGesBinding(const std::string& app, std::uint64_t fgr, ActGes ges, std::uint64_t mod, ActDir dir);

} // namespace corv::recorders
