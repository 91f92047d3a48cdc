#pragma once

#include "platform/EventTaps.h"
#include "platform/sim/SimJournal.h"
#include "platform/sim/SimRunLoop.h"

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace corv::sim {

// The window server's event stream with its taps.
//
// Taps sit in one chain: those at the HID location, then the session ones,
// then the annotated-session ones; within a location a head-inserted tap goes
// first, a tail-appended one last. An event passes the enabled taps whose
// source is on the main run loop and whose mask holds its type, in chain
// order; each callback returns it (maybe changed) or swallows it. What leaves
// the last tap is delivered.
//
// Hardware input enters before the first tap; a post at a location enters at
// that location's first tap, so the program's own session taps see its own
// synthetic events; a post through a proxy continues after the proxy's tap.
// Posted events reach the taps on a later turn of the main run loop, in
// posting order; so does input that comes while a callback runs (it arrives
// once the loop turns, also inside a nested spin). Only a post through the
// running tap's own proxy goes on at once, ahead of the event being handled.
// Posts from other threads reach the stream through the main queue.
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

    explicit SimEventSystem(SimRunLoop& loop) : loop_(loop), mainThread_(std::this_thread::get_id()) {}

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
    std::deque<Received>& received(platform::EventTapId tap) { return taps_.at(tap).received; }
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
    struct Tap {
        platform::TapLocation location = platform::TapLocation::Session;
        platform::TapOptions options = platform::TapOptions::Default;
        std::uint64_t mask = 0;
        platform::TapCallback callback;
        bool enabled = false;
        platform::RunLoopSourceId source = 0;
        bool inMainLoop = false;
        std::deque<Received> received;
    };

    void record(Route route, platform::TapProxy proxy, const platform::Event& event);
    void enter(Route route, platform::TapProxy proxy, platform::Event event, bool posted);
    std::optional<std::size_t> startIndex(Route route, platform::TapProxy proxy) const;
    void flow(std::size_t start, platform::Event event);
    bool inside() const { return !running_.empty(); }

    SimRunLoop& loop_;
    std::thread::id mainThread_;
    std::mutex postedMutex_;
    std::map<platform::EventTapId, Tap> taps_;
    std::vector<platform::EventTapId> chain_;
    std::vector<platform::EventTapId> created_;
    std::map<platform::RunLoopSourceId, platform::EventTapId> sources_;
    std::vector<platform::EventTapId> running_;  // taps whose callback is on the stack
    platform::EventTapId nextTap_ = 1;
    platform::RunLoopSourceId nextSource_ = 1;
};

} // namespace corv::sim
