#pragma once

#include "platform/Event.h"
#include "platform/Platform.h"

namespace corv::engine {

// Synthetic input enters the stream at the session tap location.
inline void postAtSession(const platform::Event& event) {
    platform::eventTaps().post(platform::TapLocation::Session, event);
}

} // namespace corv::engine
