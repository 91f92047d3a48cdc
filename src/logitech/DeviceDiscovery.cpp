#include "logitech/DeviceDiscovery.h"

#include "logitech/Dongles.h"
#include "logitech/HidppExecutor.h"
#include "logitech/HidppParser.h"
#include "logitech/InitQueue.h"
#include "logitech/LogiKeybs.h"
#include "model/Shared.h"
#include "platform/Platform.h"

#include <vector>

namespace corv::logitech {

namespace {

bool contains(const std::optional<std::string>& text, const char* part) {
    return text && text->find(part) != std::string::npos;
}

} // namespace

LogiDeviceMonitor& LogiDeviceMonitor::shared() { return Shared<LogiDeviceMonitor>::instance(); }

void startLogiDeviceMonitor() {
    stopLogiDeviceMonitor();
    auto manager = platform::hidDevices().createManager();
    if (!manager) return;
    manager->setDeviceMatching({{{platform::kHidVendorIdKey, std::int64_t{kLogitechVendorId}}}});
    manager->setMatchedHandler([](const platform::HidDeviceRef& d) { logiDeviceAdded(d); });
    manager->setRemovedHandler([](const platform::HidDeviceRef& d) { logiDeviceRemoved(d); });
    auto& slot = LogiDeviceMonitor::shared().manager;
    slot = std::move(manager);
    slot->open();
}

void stopLogiDeviceMonitor() {
    auto& slot = LogiDeviceMonitor::shared().manager;
    if (!slot) return;
    slot->close();
    slot.reset();
}

void logiDeviceAdded(const platform::HidDeviceRef& device) {
    if (!device) return;
    const auto transport = device->stringProperty(platform::kHidTransportKey);
    const auto vendor = device->intProperty(platform::kHidVendorIdKey);
    if (!transport || vendor != kLogitechVendorId || !contains(transport, "USB")) return;
    const auto product = device->intProperty(platform::kHidProductIdKey).value_or(0);
    if (product < 0 || product > 0xFFFF) return;
    const auto type = dongleTypeForProduct(static_cast<std::uint16_t>(product));
    if (!type) return;
    if (device->intProperty(platform::kHidPrimaryUsagePageKey) != std::int64_t{kHidppUsagePage}) return;
    if (device->intProperty(platform::kHidPrimaryUsageKey) != std::int64_t{kHidppUsage}) return;
    if (findDongleIndex(device)) return;

    // A receiver without a free entry is left closed.
    const auto& list = Dongles::shared().d();
    std::optional<std::size_t> free;
    for (std::size_t i = 0; i < list.size() && !free; ++i)
        if (!list[i].valid) free = i;
    if (!free) return;

    device->setInputReportHandler(&hidppReportCallback);
    // One that cannot be opened (no permission on the node) could never be
    // reached: it is not listed, and is tried again when seen again.
    if (!device->open()) {
        device->setInputReportHandler({});
        return;
    }
    Dongles::shared().d.modify([&](DongleList& l) {
        Dongle fresh;
        fresh.dev = device;
        fresh.valid = true;
        fresh.dongleType = *type;
        l[*free] = fresh;
    });
    initQueueEnqueue(static_cast<int>(*free), true);
}

void logiDeviceRemoved(const platform::HidDeviceRef& device) {
    if (!device) return;
    HidppExecutor::shared().drop(device.get());
    if (contains(device->stringProperty(platform::kHidTransportKey), "USB")) {
        std::vector<std::size_t> keyboards;
        const auto& k = LogiKeybsNoUI::shared().k();
        for (std::size_t i = 0; i < k.size(); ++i)
            if (k[i].valid && k[i].dev == device) keyboards.push_back(i);
        for (std::size_t i : keyboards) releaseAndResetKeyboard(i);
    }
    bool wasReceiver = false;
    Dongles::shared().d.modify([&](DongleList& l) {
        for (auto& e : l) {
            if (e.valid && e.dev == device) {
                e = Dongle{};
                wasReceiver = true;
            }
        }
    });
    // Only what discovery opened is closed here; a keyboard's own manager
    // closes its device.
    if (wasReceiver) {
        device->setInputReportHandler({});
        device->close();
    }
}

} // namespace corv::logitech
