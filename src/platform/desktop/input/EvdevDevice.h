#pragma once

// One taken input device: its node grabbed, a uinput clone made from it, and
// a reader thread that sends its frames through an InputRouter to the clone,
// and the lock lights the desktop sets on the clone back to the device.
// Units that wait ask the host, which answers within its bound.

#include "platform/Event.h"
#include "platform/desktop/input/InputNode.h"
#include "platform/desktop/input/InputRouter.h"
#include "platform/desktop/input/OutputModifiers.h"
#include "platform/desktop/input/SeatModifiers.h"
#include "platform/desktop/input/TouchpadGestures.h"
#include "platform/desktop/input/TouchpadHold.h"
#include "platform/desktop/input/TouchpadVerdict.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct libevdev;
struct libevdev_uinput;

namespace corv::desktop {

class EvdevDevice {
public:
    struct Verdict {
        bool passed = true;                   // no verdict in time: the event passes as it came
        std::optional<platform::Event> event;  // else: what left the chain, or nothing
    };
    struct Host {
        virtual ~Host() = default;
        // Reader thread: the event types the live taps ask for.
        virtual std::uint64_t wantedTypes() const = 0;
        // Reader thread: the chain's verdict on the event.
        virtual Verdict ask(EvdevDevice& device, const platform::Event& event) = 0;
        // Reader thread: a unit went to the clone without asking.
        virtual void passedUnasked() = 0;
        // Reader thread: whether a live tap may change the key-downs and
        // key-ups of this virtual key code now; the others pass unasked.
        virtual bool asksKey(std::uint16_t virtualKey) const {
            (void)virtualKey;
            return true;
        }
        // Reader thread: how long held touchpad frames wait for a next frame.
        virtual std::chrono::nanoseconds holdBound() const { return std::chrono::nanoseconds(TouchpadHold::kMaxHoldNs); }
        // Reader thread, last call: the device went away.
        virtual void gone(EvdevDevice& device) = 0;
        // Reader thread: a touchpad's frame, with its finger count.
        virtual void touchFrame(EvdevDevice& device, int fingerCount) {
            (void)device;
            (void)fingerCount;
        }
        // Reader thread: a keyboard's frame as read, before any remap.
        virtual void keyFrame(EvdevDevice& device, const std::vector<input_event>& frame) {
            (void)device;
            (void)frame;
        }
    };
    // KeysDown: a key is held now; its up must reach the desktop as its down did.
    enum class Failure { None, Open, Busy, Grab, Clone, Own, KeysDown };

    // Opens, grabs and clones the node; nothing (and why) when it cannot. A
    // node with a key down is not grabbed at all.
    static std::unique_ptr<EvdevDevice> take(const InputNode& node, const std::string& uinputNode,
                                             std::int64_t sender, SeatModifiers& seat, OutputModifiers& outputs,
                                             Failure& failure);
    ~EvdevDevice();
    EvdevDevice(const EvdevDevice&) = delete;
    EvdevDevice& operator=(const EvdevDevice&) = delete;

    void start(Host& host);
    // Ends the reader, sends ups for what the clone holds, lets the node go and
    // destroys the clone. Main thread; safe to call twice.
    void release();

    // After release(): the chain events the ups of the keys still down would
    // have been (those whose down the chain judged).
    std::vector<platform::Event> takeEndedKeys() { return std::move(endedKeys_); }

    // Key code to key code; the reader applies it from its next frame on.
    void setRemap(std::map<std::uint16_t, std::uint16_t> remap);

    const InputNode& node() const { return node_; }
    // The clone's sysfs path; empty when unknown.
    const std::string& cloneSyspath() const { return cloneSyspath_; }
    bool stopping() const { return stop_.load(); }
    // The grabbed node's and the clone's descriptors, for a release that
    // cannot wait for the main thread.
    int nodeFd() const { return fd_; }
    int cloneFd() const { return uinputFd_; }

    // The verdict the reader waits for, so that release() can cut the wait short.
    std::mutex waitMutex;
    std::function<void()> wakeWaiter;

private:
    EvdevDevice(InputNode node, std::int64_t sender, SeatModifiers& seat, OutputModifiers& outputs)
        : node_(std::move(node)), sender_(sender), seat_(seat), outputs_(outputs), router_(sender, &seat) {}
    void run(Host* host);
    void route(Host& host, std::vector<input_event>& frame);
    // A touchpad's frame, its SYN_REPORT included.
    void routeTouchpad(Host& host, std::vector<input_event>& frame);
    // After dropped events: every gesture under way ends.
    void endTouches(Host& host, const input_event& at);
    void write(std::vector<input_event> events);
    // Frames ending in SYN_REPORT, one write each.
    void writeFrames(const std::vector<input_event>& out);
    // Milliseconds the reader may wait for the device; -1 for ever.
    int pollTimeout() const;
    // Reads the clone's descriptor and writes the lights set there to the
    // device. False once the descriptor fails.
    bool passLights();

    InputNode node_;
    int fd_ = -1;
    int uinputFd_ = -1;
    bool lights_ = false;  // the device has LEDs, and so has its clone
    int wake_[2] = {-1, -1};
    libevdev* dev_ = nullptr;
    libevdev_uinput* clone_ = nullptr;
    std::string cloneSyspath_;
    std::int64_t sender_;
    SeatModifiers& seat_;
    OutputModifiers& outputs_;
    int outputIndex_ = -1;
    InputRouter router_;  // reader thread only while it runs
    std::vector<input_event> out_;  // reader thread: the frame for the clone
    struct Touchpad {
        TouchpadGestures gestures;
        TouchpadHold hold;
        TouchpadVerdict verdict;
    };
    std::unique_ptr<Touchpad> touchpad_;  // touchpads only; reader thread while it runs
    std::chrono::steady_clock::time_point holdEnds_;  // while the hold holds
    std::thread reader_;
    std::atomic<bool> stop_{false};
    std::mutex remapMutex_;
    std::optional<std::map<std::uint16_t, std::uint16_t>> newRemap_;
    std::atomic<bool> remapChanged_{false};
    bool released_ = false;
    std::vector<platform::Event> endedKeys_;
};

// Writes the events and a SYN_REPORT to a uinput device in one write(), so
// the frame arrives whole. False when the device refused it.
bool writeFrame(libevdev_uinput* device, const std::vector<input_event>& events);

} // namespace corv::desktop
