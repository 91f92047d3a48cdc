#include "engine/TrackpadTaps.h"

#include "engine/ClickTap.h"
#include "engine/EngineTaps.h"
#include "engine/GestureTap.h"

namespace corv::engine {

void installTrackpadTapHandlers() {
    auto& taps = EngineTaps::shared();
    taps.gestureHandler = &gestureTapHandler;
    taps.clickHandler = &clickTapHandler;
}

} // namespace corv::engine
