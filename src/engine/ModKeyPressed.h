#pragma once

// The keys held down on every keyboard while the keyboard tab shows.

#include "model/DeviceName.h"
#include "model/Observable.h"
#include "platform/HidDevices.h"

#include <cstdint>
#include <vector>

namespace corv::engine {

// A key held down: its code (usage page << 32 | usage), its keyboard's name,
// and the keyboard itself, so that two keyboards of one model stay apart. The
// device is only compared, never reached through.
struct PressedKey {
    std::uint64_t code = 0;
    DeviceName keyboard;
    const platform::HidDevice* device = nullptr;
    bool operator==(const PressedKey&) const = default;
};

class ModKeyPressed : public ObservableObject {
public:
    static ModKeyPressed& shared();

    // At most one element per code and device.
    Published<std::vector<PressedKey>> v{willChange_};
};

} // namespace corv::engine
