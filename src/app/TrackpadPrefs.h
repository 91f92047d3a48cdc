#pragma once

// The user's trackpad preferences (tap to click, three-finger drag, natural
// scrolling), read into UIState at launch and again whenever one of their
// preference files, or the system's own store of them, changes. Main thread.

#include "platform/FileEvents.h"
#include "platform/Preferences.h"
#include "platform/RunLoop.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corv::app {

inline constexpr std::array<const char*, 3> kTrackpadDomains{
    "com.apple.AppleMultitouchTrackpad",
    "com.apple.driver.AppleBluetoothMultitouch.trackpad",
    "NSGlobalDomain",
};
inline constexpr double kPrefStreamLatency = 0.5;
inline constexpr double kPrefReloadDelay = 0.01;
// Natural scrolling is read from this system version on.
inline constexpr int kNaturalScrollSystemMajor = 27;

// The first domain holding the key as a Boolean or an integer decides; false
// when none does.
bool readTrackpadBoolPref(const std::string& key);
// True when absent or of another type.
bool readNaturalScrollPref();
void reloadTrackpadPrefs();

// The three preference files under the user's Library; empty without one.
std::vector<std::string> watchedPrefFiles();

// A stream of file events on some folders, handing every changed path to its
// callback.
class FileMonitor {
public:
    FileMonitor(std::vector<std::string> pathsToWatch, std::function<void(const std::string&)> callback);
    // Makes and starts the stream; false when it cannot be made.
    bool start();

    std::unique_ptr<platform::FileEventStream> stream;
    std::vector<std::string> pathsToWatch;
    std::function<void(const std::string&)> callback;
};

struct TrackpadPrefWatch {
    std::unique_ptr<FileMonitor> prefFileMonitor;
    std::optional<platform::TimerId> pendingPrefReload;
    // The system's own store of the settings, where it has one.
    std::unique_ptr<platform::PreferenceWatch> storeWatch;

    static TrackpadPrefWatch& shared();
};

// A changed path: when it is one of the watched files, the re-read is put
// off to 0.01 seconds from now.
void trackpadPrefsChanged(const std::string& path, const std::vector<std::string>& watched);
// Puts the re-read off to 0.01 seconds from now, replacing one already put off.
void scheduleTrackpadPrefsReload();
// Reads the preferences into UIState and starts the watcher.
void startTrackpadPrefs();

} // namespace corv::app
