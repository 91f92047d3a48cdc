#pragma once

namespace corv {

namespace platform {
class StatusItem;
}

// The shell's main menu-bar status item: one process-wide slot, empty until
// the shell makes the item.
struct MainStatusItem {
    platform::StatusItem* item = nullptr;

    static MainStatusItem& shared();
};

} // namespace corv
