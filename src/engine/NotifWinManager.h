#pragma once

// The on-screen symbol notification: one small dark tile near the bottom of
// the screen that fades in, holds half a second and fades out. Main thread.

#include "model/Observable.h"
#include "platform/Windows.h"

#include <cstdint>
#include <memory>
#include <string>

namespace corv::engine {

// The shown-or-hidden state of one notification's tile.
class NotificationState : public ObservableObject {
public:
    Published<bool> isVisible{willChange_, false};
};

// The symbols shown and their palettes.
platform::SymbolImage notifSymbolImage(const std::string& symbol);

class NotifWinManager {
public:
    static NotifWinManager& shared();

    // Closes the tile shown last and shows the named symbol; returns at once.
    void show(const std::string& symbol);

    // The window of the notification shown last.
    std::shared_ptr<platform::OverlayWindow> lastWindow;
    std::string lastSymbol;
    std::int64_t showCount = 0;
};

inline constexpr double kNotifFadeSeconds = 0.1;
inline constexpr double kNotifHoldSeconds = 0.5;
// The tile's bottom edge above the bottom of the screen, in points.
inline constexpr double kNotifBottomOffset = 200;

} // namespace corv::engine
