#pragma once

// The one rule by which typed or pasted one-line texts are cleaned.

#include <string>
#include <string_view>

namespace corv::ui {

// Drops every line break (LF, CR, and the Unicode line and paragraph
// separators) and trims blanks and line breaks from both ends.
std::string flattenToSingleLine(std::string_view text);

} // namespace corv::ui
