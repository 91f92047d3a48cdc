#pragma once

// GNOME's input sources as its settings keep them
// (org.gnome.desktop.input-sources): the enabled list, and the most recently
// used first. GNOME Shell reads the recent list only at its start, so writing
// it selects nothing: the settings can only be read. Main thread.

#include "platform/desktop/windows/CompositorWindows.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corv::desktop {

// A source as GNOME names it: its type ("xkb", "ibus") and id ("de+nodeadkeys").
using GnomeSource = std::pair<std::string, std::string>;

// The program's id of a GNOME source: an XKB layout as the X11 keymap names it
// ("de(nodeadkeys)"), any other type as "type:id".
std::string inputSourceId(const GnomeSource& source);
// The GNOME source of the program's id.
GnomeSource gnomeSource(const std::string& id);

// The sources in their order and the current one: the first recent one that is
// enabled, else the first enabled.
CompositorInputSources inputSourcesOf(const std::vector<GnomeSource>& enabled, const std::vector<GnomeSource>& recent);

// The XKB layout GNOME types with now: its current source, or the first
// layout when that is an input method; "us" without GNOME's settings.
std::string gnomeXkbLayout();

class GnomeInputSourceSettings {
public:
    GnomeInputSourceSettings();
    ~GnomeInputSourceSettings();
    GnomeInputSourceSettings(const GnomeInputSourceSettings&) = delete;
    GnomeInputSourceSettings& operator=(const GnomeInputSourceSettings&) = delete;

    // Nothing without GNOME's schema.
    std::optional<CompositorInputSources> read() const;
    // Called when the list (true) or the recent order (false) changes.
    void watch(std::function<void(bool list)> changed);

private:
    static void onChanged(void* settings, const char* key, void* self);

    void* settings_ = nullptr;  // GSettings*
    unsigned long handler_ = 0;
    std::function<void(bool)> changed_;
};

} // namespace corv::desktop
