#include "engine/LiveTaps.h"

#include "engine/EngineTaps.h"
#include "engine/KeyInterest.h"
#include "engine/KeyTap.h"
#include "engine/TrackpadTaps.h"

namespace corv::engine {

void installKeyTapHandler() {
    EngineTaps::shared().keyHandler = &keyTapHandler;
    followKeyInterest();
}

void startEngineTaps() {
    installTrackpadTapHandlers();
    installKeyTapHandler();
    setTapEnabled(gestureTap());
    setTapEnabled(clickTap());
    setTapEnabled(keyTap());
}

void stopEngineTaps() {
    switchTapOff(gestureTap());
    switchTapOff(clickTap());
    switchKeyTapOff();
    stopFollowingKeyInterest();
}

} // namespace corv::engine
