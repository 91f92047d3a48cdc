#include "model/ModifierMask.h"

#include "model/ImplicitKeyFlags.h"

namespace corv {

std::uint64_t refineKeyMask(std::uint64_t mask, std::uint16_t keyCode) {
    auto implied = implicitKeyFlagsFor(keyCode);
    if (implied && (*implied & EventFlag::Fn)) mask &= ~ModMask::Fn;
    return mask;
}

std::uint64_t keyModifierMask(std::uint64_t flags, std::uint16_t keyCode) {
    return refineKeyMask(modifierMask(flags), keyCode);
}

} // namespace corv
