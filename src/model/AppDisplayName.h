#pragma once

// How an application is named to the user: a desktop entry by its Name,
// anything else by its file's name.

#include "model/AnApp.h"
#include "platform/Url.h"

#include <string>

namespace corv {

// The path of a file URL, percent escapes decoded; other URLs as they are.
std::string decodedFilePath(const Url& url);
// The last path component without its extension, trailing slashes ignored;
// empty at the root.
std::string fileDisplayName(const std::string& path);
// A desktop entry's Name when the installed platform finds one at the path,
// else its file display name.
std::string appDisplayName(const std::string& path);
std::string appDisplayName(const Url& url);
// The id itself for an entry that names nothing (url "file:///"), else the
// display name of its url.
std::string displayedAppName(const std::string& id, const AnApp& entry);
// As above for the entry of `Apps` under the id; the id when there is none.
std::string displayedAppName(const std::string& id);

} // namespace corv
