#include "engine/TrackpadServices.h"

#include "engine/MultitouchDevices.h"
#include "engine/SenderDevice.h"
#include "model/Options.h"
#include "model/Shared.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

namespace corv::engine {

namespace {

// Background writes of the speed control. Each request replaces the pending
// one; a writer applies whatever is pending under the lock, so writes never
// overlap and a late writer never puts back an older value.
struct ScrollFrictionWriter {
    std::mutex mutex;
    std::uint64_t requested = 0;
    std::uint64_t applied = 0;
    std::vector<platform::HidService> services;
    std::int64_t value = 0;
};

std::shared_ptr<ScrollFrictionWriter> writer() { return Shared<ScrollFrictionWriter>::pointer(); }

std::string stringProperty(platform::HidService service, const char* key) {
    auto value = platform::hidEventSystem().copyProperty(service, key);
    if (value && value->string()) return *value->string();
    return {};
}

bool contains(const std::vector<platform::HidService>& list, platform::HidService s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

// Writes the acceleration of the current speed when the service has the property.
void writeCurrentAcceleration(platform::HidService service) {
    auto& hid = platform::hidEventSystem();
    if (!hid.copyProperty(service, kScrollAccelerationKey)) return;
    hid.setProperty(service, kScrollAccelerationKey, scrollAccelerationValue(Options::shared().sclAcc.get()));
}

platform::HidClient trackpadEventSystemClient() {
    auto& state = TrackpadServices::shared();
    if (!state.clientMade) {
        state.client = platform::hidEventSystem().createClient();
        state.clientMade = true;
    }
    return state.client;
}

} // namespace

TrackpadServices& TrackpadServices::shared() { return Shared<TrackpadServices>::instance(); }

std::int64_t scrollAccelerationValue(double speed) {
    if (std::isnan(speed)) return kDefaultScrollAcceleration;
    const double s = std::clamp(speed, 0.0, kMaxScrollSpeed);
    return static_cast<std::int64_t>(std::rint(s * s * s * 8.192));
}

bool isAppleTrackpadService(platform::HidService service) {
    return containsIgnoringCase(stringProperty(service, "Product"), "trackpad") &&
           containsIgnoringCase(stringProperty(service, "Manufacturer"), "apple");
}

void startTrackpadServiceWatch() {
    auto& hid = platform::hidEventSystem();
    const platform::HidClient client = trackpadEventSystemClient();
    // Without a client there is nothing to watch for the rest of the run.
    if (client == 0) return;
    hid.setMatching(client, {{"DeviceUsagePage", 1}, {"DeviceUsage", 2}});
    hid.registerDeviceMatchingBlock(client, [](platform::HidService service) {
        if (service != 0) trackpadServiceAppeared(service);
    });
    hid.scheduleWithMainQueue(client);
    auto services = hid.copyServices(client);
    if (!services) return;
    auto& known = TrackpadServices::shared().trackpadServices;
    for (platform::HidService service : *services) {
        if (!isAppleTrackpadService(service)) continue;
        if (!contains(known, service)) known.push_back(service);
        writeCurrentAcceleration(service);
    }
}

void trackpadServiceAppeared(platform::HidService service) {
    auto& known = TrackpadServices::shared().trackpadServices;
    if (contains(known, service)) return;
    if (!isAppleTrackpadService(service)) return;
    platform::hidEventSystem().registerRemovalBlock(service, [](platform::HidService gone) {
        auto& list = TrackpadServices::shared().trackpadServices;
        list.erase(std::remove(list.begin(), list.end(), gone), list.end());
    });
    known.push_back(service);
    writeCurrentAcceleration(service);
    startMultitouchDevices();
}

void restoreTrackpadScrollAcceleration() {
    // A background write still pending is dropped, and one under way ends first.
    auto w = writer();
    std::lock_guard<std::mutex> lock(w->mutex);
    w->applied = w->requested;
    for (platform::HidService service : TrackpadServices::shared().trackpadServices)
        platform::hidEventSystem().setProperty(service, kScrollAccelerationKey, kDefaultScrollAcceleration);
}

void setScrollFriction() {
    auto w = writer();
    {
        std::lock_guard<std::mutex> lock(w->mutex);
        ++w->requested;
        w->services = TrackpadServices::shared().trackpadServices;
        w->value = scrollAccelerationValue(Options::shared().sclAcc.get());
    }
    platform::background().run([w] {
        std::lock_guard<std::mutex> lock(w->mutex);
        if (w->applied == w->requested) return;
        w->applied = w->requested;
        for (platform::HidService service : w->services)
            platform::hidEventSystem().setProperty(service, kScrollAccelerationKey, w->value);
    });
}

} // namespace corv::engine
