#pragma once

// Performing one bound action by its id.

#include <cstdint>
#include <optional>
#include <string>

namespace corv::engine {

// Performs the action: clickThrough brings the window under the cursor
// forward first where the action says so; flags are the modifier flags to put
// on posted mouse and scroll events; text is the binding's appName. Returns as
// soon as the action is started. An id outside the table does nothing.
void performAction(std::int64_t action, bool clickThrough, std::uint64_t flags,
                   const std::optional<std::string>& text);

} // namespace corv::engine
