#pragma once

#include "platform/Displays.h"

namespace corv::desktop {

class X11Session;

// The screens Qt knows, when a QGuiApplication exists; display ids are their
// positions from 1. Screens carry no UUIDs and no reconfiguration callback is
// ever called.
class DesktopDisplays final : public platform::Displays {
public:
    // `x11` null: the program's own session, opened when first needed.
    explicit DesktopDisplays(X11Session* x11 = nullptr) : x11_(x11) {}
    std::optional<std::vector<platform::DisplayId>> activeDisplayList(std::uint32_t maxDisplays) override;
    std::optional<platform::DisplayMode> currentMode(platform::DisplayId display) override;
    platform::DisplayId displayIdForUuid(const std::string&) override { return 0; }
    bool registerReconfigurationCallback(platform::DisplayReconfigurationCallback, void*) override { return true; }
    void removeReconfigurationCallback(platform::DisplayReconfigurationCallback, void*) override {}
    std::vector<platform::Screen> screens() override;
    // DPMS force-off on X11; nothing elsewhere.
    void sleepDisplaysNow() override;

private:
    X11Session* x11_;
};

} // namespace corv::desktop
