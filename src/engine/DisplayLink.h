#pragma once

// The display link that paces the dock-swipe animation, and the refresh rate
// of the active displays that sets its step.

#include "engine/RelaxedAtomic.h"
#include "platform/DisplayLink.h"
#include "platform/Displays.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace corv::engine {

// The animation flag, shared with the display-link thread.
class DLinkPara {
public:
    static DLinkPara& shared();

    bool swipeLinkEn() const { return swipeLinkEn_.load(std::memory_order_relaxed); }
    // Stores the flag. On a change from false to true the link is started when
    // it is not running; when there is none the displays are read again to make
    // it, and when none can be made the running swipe is closed at once and
    // the flag cleared again. Setting it true is for the main thread.
    void setSwipeLinkEn(bool on);

    // Kept for its place in the record; nothing reads it.
    std::atomic<bool> gesVSyncTicket{false};

private:
    std::atomic<bool> swipeLinkEn_{false};
};

// The display globals, read by the display-link thread too.
struct DisplayLinkState {
    static DisplayLinkState& shared();

    RelaxedAtomic<platform::DisplayLinkRef> displayLink{0};
    // Written by the active-display query; 0 until the first one.
    RelaxedAtomic<std::uint32_t> activeDisplayCount{0};
    // Highest refresh rate of the active displays / 60.
    RelaxedAtomic<double> refreshFactor{1.0};
    // Per-frame factor of the swipe's step decay.
    RelaxedAtomic<double> frameDecay{0.8855};
    // Seconds per host tick; set when a link is made.
    RelaxedAtomic<double> hostTicksToSeconds{0.0};
    // Host time in seconds of the last frame that did animation work.
    RelaxedAtomic<double> lastAnimationTime{0.0};
};

inline constexpr std::uint32_t kMaxActiveDisplays = 16;
// Set main, set mode, add, remove, enabled, disabled, mirror, unmirror.
inline constexpr std::uint32_t kRelinkDisplayChanges = 0xF3C;
// A link whose rate differs from the displays' by this much is made anew.
inline constexpr double kRelinkRateDifference = 2.0;

struct FrameDecayPoint {
    double factor;
    double decay;
};

// Refresh factor to per-frame decay, interpolated linearly between points.
inline constexpr std::array<FrameDecayPoint, 18> frameDecayTable{{
    {0.0, 0.8},    {0.5, 0.811},   {1.0, 0.8855}, {1.5, 0.918},  {2.0, 0.936},  {2.5, 0.9475},
    {3.0, 0.9555}, {3.5, 0.9615},  {4.0, 0.966},  {4.5, 0.9695}, {5.0, 0.9725}, {5.5, 0.975},
    {6.0, 0.977},  {6.5, 0.9785},  {7.0, 0.98},   {7.5, 0.9815}, {8.0, 0.9825}, {8.5, 0.9835},
}};

// The decay for a refresh factor: the last point's from 8.5 on, the first
// point's at 0 and below.
double frameDecayFor(double refreshFactor);

// Reads the highest refresh rate of the active displays and makes the link
// anew when its rate is 2 Hz or more off. Main thread.
void updateDisplayLink();
// Makes the link when there is none and a display is active.
void ensureDisplayLink();
// Makes a link for the active displays, with its callback, and notes the
// host-time unit; the link is not stored. 0 when none can be made.
platform::DisplayLinkRef makeDisplayLink();
// Whether the stored link exists and runs.
bool displayLinkRunning();

// The display-reconfiguration callback: a change of the kinds above reads the
// displays again.
void displayReconfigured(platform::DisplayId display, std::uint32_t flags, void* userInfo);

// The link's output callback; runs a frame of the animation. Returns 0.
std::int32_t displayLinkOutput(platform::DisplayLinkRef link, std::uint64_t hostTime);

} // namespace corv::engine
