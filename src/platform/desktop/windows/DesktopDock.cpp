#include "platform/desktop/windows/DesktopDock.h"

#include "platform/desktop/bus/DesktopViews.h"
#include "platform/desktop/windows/CompositorWindows.h"

namespace corv::desktop {

namespace {

// The dock-swipe fields of the window server's events.
constexpr std::uint32_t kGestureSubtype = 110;
constexpr std::uint32_t kMotion = 123;
constexpr std::uint32_t kProgress = 124;
constexpr std::uint32_t kPhase = 132;
constexpr std::int64_t kDockControl = 30;
constexpr std::int64_t kDockSwipe = 23;
constexpr std::int64_t kEnded = 4;
constexpr std::int64_t kHorizontal = 1;
constexpr std::int64_t kVertical = 2;
constexpr std::int64_t kPinch = 3;

// A manager that ignores a request is given up on after this long.
constexpr auto kPendingFor = std::chrono::milliseconds(500);

} // namespace

void DesktopDock::post(platform::TapLocation location, const platform::Event& event) {
    take(event);
    stream_.post(location, event);
}

void DesktopDock::postToProxy(platform::TapProxy proxy, const platform::Event& event) {
    take(event);
    stream_.postToProxy(proxy, event);
}

void DesktopDock::take(const platform::Event& event) {
    if (event.integerField(platform::field::RecordType) != kDockControl ||
        event.integerField(kGestureSubtype) != kDockSwipe || event.integerField(kPhase) != kEnded)
        return;
    // The animation's frames come from the display link's thread.
    const std::int64_t motion = event.integerField(kMotion);
    const double progress = event.doubleField(kProgress);
    loop_.postFromAnyThread([this, motion, progress] { swipeEnded(motion, progress); });
}

void DesktopDock::swipeEnded(std::int64_t motion, double progress) {
    // The progress field carries the natural-scrolling sign; without it a
    // positive progress goes towards the next desktop, or towards showing
    // the desktop, whatever the setting.
    const double raw = (!natural_ || natural_()) ? progress : -progress;
    const int direction = (raw > 0) - (raw < 0);
    if (direction == 0) return;
    if (motion == kVertical) return vertical(direction);
    if (motion == kPinch) return pinch(direction);
    if (motion != kHorizontal) return;
    if (!windows_.can(CompositorCapability::Desktops)) return;
    const auto desktops = windows_.desktops();
    if (!desktops) return;
    long current = desktops->current;
    const auto now = std::chrono::steady_clock::now();
    // Swipes that end quicker than the desktop answers go on from the one asked for.
    if (pending_ && *pending_ != current && now - pendingSince_ < kPendingFor) current = *pending_;
    const long next = current + direction;
    if (next < 0 || next >= desktops->count) return;
    pending_ = next;
    pendingSince_ = now;
    windows_.switchDesktop(direction);
}

void DesktopDock::vertical(int direction) {
    if (!views_) return;
    const DesktopView shown = views_->shown();
    // Up towards all windows, down towards the application's: the way back
    // from the other view hides it.
    const DesktopView towards = direction > 0 ? DesktopView::AllWindows : DesktopView::ApplicationWindows;
    const DesktopView away = direction > 0 ? DesktopView::ApplicationWindows : DesktopView::AllWindows;
    if (shown == away) views_->set(away, false);
    else if (shown != towards) views_->set(towards, true);
}

void DesktopDock::pinch(int direction) {
    const DesktopView shown = views_ ? views_->shown() : DesktopView::None;
    if (direction > 0) {
        if (shown == DesktopView::Grid) {
            views_->set(DesktopView::Grid, false);
            return;
        }
        showDesktop(!showingDesktop().value_or(false));
        return;
    }
    if (showingDesktop().value_or(false)) showDesktop(false);
    else if (views_ && shown != DesktopView::Grid) views_->set(DesktopView::Grid, true);
}

std::optional<bool> DesktopDock::showingDesktop() {
    if (windows_.can(CompositorCapability::ShowDesktop)) return windows_.showingDesktop();
    // Else only the shell may say (KWin).
    return views_ ? std::optional<bool>(views_->shown() == DesktopView::Desktop) : std::nullopt;
}

void DesktopDock::showDesktop(bool show) {
    if (windows_.can(CompositorCapability::ShowDesktop)) windows_.showDesktop(show);
    else if (views_) views_->set(DesktopView::Desktop, show);
}

} // namespace corv::desktop
