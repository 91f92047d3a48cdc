#include "platform/desktop/hid/UdevHidraw.h"

#include <QSocketNotifier>

#include <libudev.h>

#include <cstring>

namespace corv::desktop {

UdevHidraw::UdevHidraw() : udev_(udev_new()) {}

UdevHidraw::~UdevHidraw() {
    notifier_.reset();
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
}

std::vector<HidrawInfo> UdevHidraw::enumerate() {
    std::vector<HidrawInfo> out;
    if (!udev_) return out;
    udev_enumerate* e = udev_enumerate_new(udev_);
    if (!e) return out;
    udev_enumerate_add_match_subsystem(e, "hidraw");
    udev_enumerate_scan_devices(e);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
        udev_device* d = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
        if (!d) continue;
        if (auto info = readHidrawInfo(d)) out.push_back(std::move(*info));
        udev_device_unref(d);
    }
    udev_enumerate_unref(e);
    return out;
}

bool UdevHidraw::watch(Added added, Removed removed) {
    added_ = std::move(added);
    removed_ = std::move(removed);
    if (monitor_) return true;
    if (!udev_) return false;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (!monitor_) return false;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
        udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        return false;
    }
    notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { receive(); });
    return true;
}

void UdevHidraw::receive() {
    // The monitor's socket does not block: take every event queued now.
    while (udev_device* d = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(d);
        if (action && std::strcmp(action, "add") == 0) {
            if (auto info = readHidrawInfo(d); info && added_) added_(*info);
        } else if (action && std::strcmp(action, "remove") == 0) {
            if (const char* path = udev_device_get_syspath(d); path && removed_) removed_(path);
        }
        udev_device_unref(d);
    }
}

} // namespace corv::desktop
