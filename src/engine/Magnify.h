#pragma once

// The synthetic magnify gesture: began, changed..., ended, as if the user
// pinched on the trackpad. Main thread.

#include "platform/Event.h"
#include "platform/RunLoop.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace corv::engine {

struct Magnify {
    static Magnify& shared();

    // 0: no synthetic magnify open; 1: a began event has been posted.
    std::int64_t magnifyState = 0;
    // The pending end of magnifyWithTimeout.
    std::optional<platform::TimerId> magnifyEndTimer;
    // Counts the sequences begun, so that a late step knows its own.
    std::uint64_t sequence = 0;
};

// Applications that ignore the first change of a synthetic magnify; compared
// with CurrentApp.bundleId for equality.
inline constexpr std::array<std::string_view, 7> magnifyKickApps{
    "com.google.Chrome",  "org.chromium.Chromium", "com.operasoftware.Opera", "com.microsoft.edgemac",
    "com.vivaldi.Vivaldi", "com.brave.Browser",    "com.adobe",
};

bool isMagnifyKickApp(std::string_view bundleId);

// The magnify ends this long after the last magnifyWithTimeout.
inline constexpr double kMagnifyEndDelay = 0.3;
// The first change follows the began event after this long.
inline constexpr double kMagnifyFirstChangeDelay = 0.02;
// The kick values for shrinking and growing.
inline constexpr double kMagnifyKickOut = -0.3125;
inline constexpr double kMagnifyKickIn = 0.475;

// Posts the next event of the sequence: ended (with the value) when end is
// set, else changed while one is open, else began and, later, the first change.
void postMagnifyGesture(double value, bool end);

// One step that ends by itself kMagnifyEndDelay after the last call.
void magnifyWithTimeout(double value);

// The timer's block: drops the timer and ends the sequence.
void magnifyTimerFired();

// Posts the ended event with magnification 0 and closes the sequence; the
// timer is left alone.
void postMagnifyEnded();

// The delayed first change: the began event again, as changed, with the value.
void postMagnifyChanged(std::optional<platform::Event> event, double value);

} // namespace corv::engine
