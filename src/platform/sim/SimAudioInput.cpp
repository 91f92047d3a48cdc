#include "platform/sim/SimAudioInput.h"

namespace corv::sim {

void SimAudioInput::addInputMute(platform::AudioObject control, bool muted) {
    controlList.push_back(
        platform::AudioControl{control, platform::fourCharCode("mute"), platform::fourCharCode("inpt")});
    values[control] = muted;
}

} // namespace corv::sim
