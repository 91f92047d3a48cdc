#pragma once

// The hidraw nodes udev knows, and their arrivals and removals.

#include "platform/desktop/hid/HidrawInfo.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct udev;
struct udev_monitor;
class QSocketNotifier;

namespace corv::desktop {

class UdevHidraw {
public:
    using Added = std::function<void(const HidrawInfo&)>;
    using Removed = std::function<void(const std::string& syspath)>;

    UdevHidraw();
    ~UdevHidraw();
    UdevHidraw(const UdevHidraw&) = delete;
    UdevHidraw& operator=(const UdevHidraw&) = delete;

    // udev could be reached.
    bool available() const { return udev_ != nullptr; }
    // The hidraw nodes attached now that have a HID parent.
    std::vector<HidrawInfo> enumerate();
    // Follows arrivals and removals; the handlers run on the thread of the
    // Qt event loop that created this object. False when udev sends no events.
    bool watch(Added added, Removed removed);

private:
    void receive();

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    Added added_;
    Removed removed_;
};

} // namespace corv::desktop
