#include "engine/EventKinds.h"

namespace corv::engine {

std::optional<NSEventType> nsEventTypeFromRaw(std::uint32_t raw) {
    if (raw < 1 || raw > 37 || raw == 21 || raw == 35 || raw == 36) return std::nullopt;
    return static_cast<NSEventType>(raw);
}

std::optional<CGEventSubType> eventSubTypeFromRaw(std::int64_t raw) {
    if (raw < 0 || raw > 40) return std::nullopt;
    return static_cast<CGEventSubType>(raw);
}

std::optional<NXEventType> nxEventTypeFromRaw(std::uint32_t raw) {
    if (raw > 28 || (raw >= 16 && raw <= 21)) return std::nullopt;
    return static_cast<NXEventType>(raw);
}

} // namespace corv::engine
