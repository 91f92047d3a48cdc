#pragma once

namespace corv {
namespace platform {
class StatusItem;
}

namespace engine {

// The shell's microphone status item: one process-wide slot, empty until the
// shell makes the item.
struct MicStatusItem {
    platform::StatusItem* item = nullptr;

    static MicStatusItem& shared();
};

} // namespace engine
} // namespace corv
