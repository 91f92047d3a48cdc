// Event deserialisation: whatever reads writes back to the same bytes.

#include "platform/Event.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using corv::platform::Event;
    const auto event = Event::fromData(corv::Bytes(data, data + size));
    if (!event) return 0;
    const corv::Bytes once = event->serialize();
    const auto again = Event::fromData(once);
    if (!again || again->serialize() != once) std::abort();
    return 0;
}
