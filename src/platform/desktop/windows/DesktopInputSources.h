#pragma once

#include "platform/InputSources.h"
#include "platform/RunLoop.h"
#include "platform/desktop/windows/CompositorWindows.h"
#include "platform/desktop/x11/X11Session.h"

#include <memory>

namespace corv::desktop {

// The keyboard's input sources are the XKB groups of the X server's keymap,
// named by the keymap; the current one is the locked group. A change of the
// keymap or its group names counts as a change of the enabled sources, a new
// locked group as a new selection. Without X there are none. In a Wayland
// session they are the compositor's layouts, when its facility tells them.
// Main thread.
class DesktopInputSources final : public platform::InputSources {
public:
    // `x11` null: the program's own session.
    // `compositor` non-null: a Wayland session's facility, used instead of X11.
    explicit DesktopInputSources(platform::RunLoop& loop, X11Session* x11 = nullptr,
                                 CompositorWindows* compositor = nullptr);
    ~DesktopInputSources() override;
    DesktopInputSources(const DesktopInputSources&) = delete;
    DesktopInputSources& operator=(const DesktopInputSources&) = delete;

    std::optional<std::vector<platform::InputSource>> selectableSources() override;
    std::optional<platform::InputSource> currentKeyboardSource() override;
    bool select(const platform::InputSource& source) override;
    void setChangeHandlers(std::function<void()> enabledChanged, std::function<void()> selectedChanged) override;

private:
    struct Handlers {
        std::function<void()> enabledChanged, selectedChanged;
    };

    X11Session& x11();
    std::optional<XkbGroups> groups();

    platform::RunLoop& loop_;
    X11Session* x11_;
    CompositorWindows* compositor_;
    // Shared with the changes posted to the main loop, which find it gone
    // once this is.
    std::shared_ptr<Handlers> handlers_ = std::make_shared<Handlers>();
    std::optional<X11WatchId> watch_;
    std::optional<CompositorWatchId> compositorWatch_;
};

} // namespace corv::desktop
