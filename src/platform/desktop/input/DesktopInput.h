#pragma once

// Real keyboard and pointer input: the keyboards and mice udev knows are
// taken (grabbed, cloned, read) while some tap is live, and let go when none
// is; their events pass the tap chain, and what the program posts goes out
// through one posting device of its own. All of it is let go while the user
// is away, and by the watchdog and the signal handlers when the main thread
// cannot serve it.

#include "platform/Background.h"
#include "platform/RunLoop.h"
#include "platform/TapChain.h"
#include "platform/desktop/input/EvdevDevice.h"
#include "platform/desktop/input/InputNode.h"
#include "platform/desktop/input/InputPermission.h"
#include "platform/desktop/input/InputRegistry.h"
#include "platform/desktop/input/InputWatchdog.h"
#include "platform/desktop/input/KeyValueFeed.h"
#include "platform/desktop/input/OutputModifiers.h"
#include "platform/desktop/input/PostTranslator.h"
#include "platform/desktop/input/SeatModifiers.h"

#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct udev;
struct udev_monitor;
struct libevdev_uinput;
class QSocketNotifier;

namespace corv::desktop {

struct DesktopInputConfig {
    std::string uinputNode = "/dev/uinput";
    // Seconds a waiting event gives the tap chain before it passes.
    double verdictBound = 0.050;
    // Events handed to a main thread that has not reached them, at most
    // (some 300 KB). Releases are handed over beyond it: their presses were
    // judged.
    std::int64_t backlog = 256;
    // False: no input device is looked for (for tests that launch the
    // program in the machine's own device tree).
    bool findDevices = true;
    // Seconds the main loop may stand still before the devices are let go.
    double stallBound = 0.5;
    // Seconds held touchpad frames wait for a next frame before they pass.
    double holdBound = static_cast<double>(TouchpadHold::kMaxHoldNs) / 1e9;
};

class DesktopInput final : private EvdevDevice::Host {
public:
    struct Counters {
        std::atomic<std::uint64_t> toMain{0};    // events handed to the main thread
        std::atomic<std::uint64_t> direct{0};    // units passed to a clone without asking
        std::atomic<std::uint64_t> timedOut{0};  // events that passed for want of a verdict
        std::atomic<std::uint64_t> posted{0};    // frames written to the posting device
        std::atomic<std::uint64_t> skipped{0};   // events not handed over: the main thread was too far behind
    };
    using Remap = std::map<std::uint16_t, std::uint16_t>;

    // Main thread. Reads udev and follows it; takes nothing yet.
    DesktopInput(platform::RunLoop& loop, platform::TapChain& chain, DesktopInputConfig config = {});
    ~DesktopInput();
    DesktopInput(const DesktopInput&) = delete;
    DesktopInput& operator=(const DesktopInput&) = delete;

    void setVerdictBound(double seconds) { boundMicros_ = static_cast<std::int64_t>(seconds * 1e6); }
    // The live taps changed: devices are taken or let go on a later turn.
    void tapsChanged();
    // The chain's outcome for an event; token 0 is the program's own post.
    void outcome(platform::TapChain::Token token, std::optional<platform::Event> event);
    // Lets every device go and destroys the posting device.
    void shutdown();
    // Away (the session switched away, the machine going to sleep): every
    // device is let go, the clones and the posting device destroyed, and
    // nothing is taken until the user is back.
    void setAway(bool away);
    bool away() const { return away_; }

    // Keyboards and mice present, not the program's own, in arrival order.
    const std::vector<InputNode>& nodes() const { return nodes_; }
    std::function<void(const InputNode&)> onNodeAdded;
    std::function<void(const InputNode&)> onNodeRemoved;
    // Touchpads as they come and go (main thread), and each frame of a taken
    // one (its reader thread). Set before any device is taken.
    std::function<void(const std::string& syspath, bool present)> onTouchpad;
    std::function<void(const std::string& syspath, int fingerCount)> onTouchFrame;
    // Main thread: where the pointer is. A touchpad's gesture events carry it
    // to the taps, as the window server's do.
    std::function<platform::Point()> pointer;
    // Main thread: each taken keyboard's keys as HID values for its HID device.
    void setKeyValues(KeyValueFeed::Deliver deliver) {
        keyValues_.deliver = std::move(deliver);
        keyValuesOn_ = static_cast<bool>(keyValues_.deliver);
    }
    // Key values are read only while this count (of the HID devices with a
    // value handler) is above 0. Set before any device is taken.
    void setKeyValueListeners(std::shared_ptr<const std::atomic<int>> count) { keyValueListeners_ = std::move(count); }
    // Where the programs holding a busy node are looked for, off the main
    // thread; without it they stay unknown.
    void setBackground(platform::Background* background) { background_ = background; }
    // The key remap of one event node, kept across its taking and letting go.
    void setRemap(const std::string& syspath, Remap remap);

    // Devices another program holds, as the taps they amount to.
    std::vector<platform::EventTapInfo> interferingTaps() const;
    // Event-node syspaths of the devices taken now.
    std::vector<std::string> taken() const;
    bool postingDeviceExists() const { return post_ != nullptr; }
    const Counters& counters() const { return counters_; }
    const InputRegistry& registry() const { return registry_; }

    // Whether the program may read the keyboards' nodes and write the uinput node.
    InputAccess access() const;

private:
    struct Slot;
    std::uint64_t wantedTypes() const override { return wanted_.load(); }
    EvdevDevice::Verdict ask(EvdevDevice& device, const platform::Event& event) override;
    void passedUnasked() override { counters_.direct.fetch_add(1, std::memory_order_relaxed); }
    std::chrono::nanoseconds holdBound() const override {
        return std::chrono::nanoseconds(static_cast<std::int64_t>(config_.holdBound * 1e9));
    }
    bool asksKey(std::uint16_t virtualKey) const override;
    void touchFrame(EvdevDevice& device, int fingerCount) override {
        if (onTouchFrame) onTouchFrame(device.node().syspath, fingerCount);
    }
    void keyFrame(EvdevDevice& device, const std::vector<input_event>& frame) override;
    void gone(EvdevDevice& device) override;

    void reconcile();
    void take(const InputNode& node);
    void letGo(const std::string& syspath);
    void retryLater(const std::string& syspath, double first, double last);
    // Looks for the programs that hold a busy node, in the background.
    void findHolders(const InputNode& node);
    void added(const InputNode& node);
    void removed(const std::string& syspath);
    bool isOwn(const InputNode& node) const;
    void receiveUdev();
    void handOver(std::shared_ptr<Slot> slot, platform::TapChain::Token token);
    void timedOut(const platform::Event& event, bool runAgain);
    void noticeSkipped();
    bool ensurePostingDevice();
    void destroyPostingDevice();
    void writePosted(const platform::Event& event);
    // After the watchdog let the devices go: they are taken again.
    void recoverFromStall();
    void updateWatch();
    bool writePostFrame(std::vector<input_event> events);
    // A device's keys that were down when it went end as their ups would:
    // the bindings they hold end, and what the posting device still holds
    // for that device is let go.
    void endKeys(std::int64_t sender, const std::vector<platform::Event>& ups);

    platform::RunLoop& loop_;
    platform::TapChain& chain_;
    DesktopInputConfig config_;
    std::atomic<std::int64_t> boundMicros_;
    std::atomic<std::uint64_t> wanted_{0};
    // Key codes some live tap may change, as TapChain::KeyInterest.
    std::atomic<bool> allKeys_{true};
    std::array<std::atomic<std::uint64_t>, 4> keys_{};
    // Whether key frames go to keyValues_, and whether one was left out
    // since (reader threads).
    std::shared_ptr<const std::atomic<int>> keyValueListeners_;
    std::atomic<bool> keyValuesOn_{false};
    std::atomic<std::uint64_t> keyValueGaps_{0};
    std::uint64_t keyValueGapsSeen_ = 0;  // main thread
    SeatModifiers seat_;
    OutputModifiers outputs_;
    std::atomic<std::int64_t> unclaimed_{0};  // events handed over the main thread has not reached
    std::atomic<std::uint64_t> nextToken_{1};
    std::atomic<std::uint64_t> skippedTypes_{0};
    std::atomic<bool> skipNoticeQueued_{false};
    Counters counters_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<InputNode> nodes_;
    InputRegistry registry_;
    std::map<std::string, std::unique_ptr<EvdevDevice>> devices_;  // by event-node syspath
    std::map<std::string, std::vector<std::int32_t>> busy_;        // held elsewhere: holder pids, -1 unknown
    std::set<std::string> findingHolders_;                         // busy nodes looked at in the background
    platform::Background* background_ = nullptr;
    std::map<std::string, Remap> remaps_;
    KeyValueFeed keyValues_;
    struct Retry {
        double delay = 0;      // seconds; the last wait
        bool queued = false;   // a try is due
        bool failing = false;  // its reads failed while it was listed
    };
    std::map<std::string, Retry> retries_;  // nodes that could not be taken or kept, by syspath
    std::map<platform::TapChain::Token, std::shared_ptr<Slot>> pending_;
    bool reconcileQueued_ = false;
    bool shutDown_ = false;
    bool away_ = false;

    int postFd_ = -1;
    libevdev_uinput* post_ = nullptr;
    std::string postSyspath_;
    PostTranslator translator_;
    InputWatchdog watchdog_;
    // Codes the posting device pressed while a device's event was in the
    // chain, by the device's sender id.
    std::map<std::int64_t, std::set<std::uint16_t>> postedFor_;
    std::int64_t judging_ = 0;  // sender of the event in the chain now
};

} // namespace corv::desktop
