#pragma once

// Recording a key row's trigger: the row's binding moves from the highlighted
// trigger to the combination just typed, and the highlight moves with it.

#include <cstdint>

namespace corv::recorders {

// keyCode: the key whose release completed the combination; the modifiers
// come from KeyBind. Nothing when the selected application's entry or the
// row's key level is gone.
void recordKeyTrigger(std::uint16_t keyCode);

} // namespace corv::recorders
