#pragma once

#include "platform/EventTaps.h"
#include "platform/TapChain.h"
#include "platform/sim/SimJournal.h"
#include "platform/sim/SimRunLoop.h"

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace corv::sim {

// The window server's event stream with its taps (the chain is
// platform::TapChain), with logs of what was posted, handed to each tap and
// delivered.
class SimEventSystem final : public platform::EventTaps {
public:
    enum class Route { Hid, Session, AnnotatedSession, Proxy };

    struct Posted {
        Route route;
        platform::TapProxy proxy;  // Route::Proxy only, else null
        platform::Event event;
    };

    // What a callback was handed.
    struct Received {
        std::uint32_t type;
        platform::Event event;
    };

    explicit SimEventSystem(SimRunLoop& loop);

    platform::EventTapId createTap(platform::TapLocation location, platform::TapPlacement placement,
                                   platform::TapOptions options, std::uint64_t mask,
                                   platform::TapCallback callback) override;
    platform::RunLoopSourceId createRunLoopSource(platform::EventTapId tap) override;
    void setEnabled(platform::EventTapId tap, bool enabled) override;
    bool isEnabled(platform::EventTapId tap) const override;
    bool mainLoopContains(platform::RunLoopSourceId source) const override;
    void addToMainLoop(platform::RunLoopSourceId source) override;
    void removeFromMainLoop(platform::RunLoopSourceId source) override;
    void post(platform::TapLocation location, const platform::Event& event) override;
    void postToProxy(platform::TapProxy proxy, const platform::Event& event) override;
    std::optional<std::vector<platform::EventTapInfo>> tapList() override;

    // Input from a device.
    void inject(const platform::Event& event);
    // Input from a device waiting in the main run loop: it reaches the taps
    // when the loop next turns, also inside a callback's spin.
    void injectOnNextTurn(const platform::Event& event);
    // The system disables the tap and tells its callback with the notice type;
    // gives what the callback returned.
    std::optional<platform::Event> sendNotice(platform::EventTapId tap, std::uint32_t notice);
    std::optional<platform::Event> sendTimeoutNotice(platform::EventTapId tap) {
        return sendNotice(tap, platform::eventType::TapDisabledByTimeout);
    }

    // The program's taps in creation order.
    std::vector<platform::EventTapId> taps() const;
    // The tap a proxy stands for; 0 when none.
    platform::EventTapId tapOfProxy(platform::TapProxy proxy) const;
    platform::TapProxy proxyOf(platform::EventTapId tap) const;
    bool sourceInMainLoop(platform::EventTapId tap) const;

    // Logs, oldest first. take* pop the front and throw on an empty log.
    // Read them on the main thread once other posting threads have ended.
    std::deque<platform::Event> delivered;
    std::deque<Posted> posted;
    std::deque<Received>& received(platform::EventTapId tap) { return received_.at(tap); }
    platform::Event takeDelivered();
    Posted takePosted();
    Received takeReceived(platform::EventTapId tap);
    void clearLogs();

    // Taps of other processes, for the tap list.
    std::vector<platform::EventTapInfo> foreignTaps;
    std::int32_t ownPid = 4242;
    bool failCreateTap = false;
    SimJournal* journal = nullptr;  // set by SimPlatform
    bool failCreateSource = false;
    bool failTapList = false;
    // Calls of addToMainLoop, duplicates included.
    int addSourceCalls = 0;
    // Sees each post as it is made, on the posting thread.
    std::function<void(const Posted&)> onPost;

private:
    void record(Route route, platform::TapProxy proxy, const platform::Event& event);

    platform::TapChain chain_;
    std::mutex postedMutex_;
    std::map<platform::EventTapId, std::deque<Received>> received_;
};

} // namespace corv::sim
