#pragma once

// The keys held down on every keyboard while the keyboard tab shows.

#include "model/DeviceName.h"
#include "model/Observable.h"

#include <cstdint>
#include <vector>

namespace corv::engine {

// A key held down: its code (usage page << 32 | usage) and its keyboard.
struct PressedKey {
    std::uint64_t code = 0;
    DeviceName keyboard;
    bool operator==(const PressedKey&) const = default;
};

class ModKeyPressed : public ObservableObject {
public:
    static ModKeyPressed& shared();

    // At most one element per code and keyboard.
    Published<std::vector<PressedKey>> v{willChange_};
};

} // namespace corv::engine
