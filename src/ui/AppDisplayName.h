#pragma once

// How the panel names an application entry: by its bundle's name.

#include "platform/Url.h"

#include <string>

namespace corv::ui {

// The path of a file URL, percent escapes decoded; other URLs as they are.
std::string decodedFilePath(const Url& url);
// The last component of that path without its extension; empty at the root.
std::string bundleName(const Url& url);
// The id itself for an application known only by its id (url "file:///"),
// else its bundle name.
std::string displayedAppName(const std::string& id);

} // namespace corv::ui
