#include "app/TrackpadPrefs.h"

#include "model/Shared.h"
#include "model/UIState.h"
#include "platform/Platform.h"

#include <algorithm>

namespace corv::app {

namespace {

std::optional<bool> boolOrInteger(const platform::PrefValue& v) {
    if (const bool* b = std::get_if<bool>(&v)) return *b;
    if (const auto* i = std::get_if<std::int64_t>(&v)) return *i != 0;
    return std::nullopt;
}

bool naturalScrollRead() {
    auto& prefs = platform::preferences();
    return prefs.keepsTrackpadSettings() || prefs.systemVersion().major >= kNaturalScrollSystemMajor;
}

} // namespace

TrackpadPrefWatch& TrackpadPrefWatch::shared() { return Shared<TrackpadPrefWatch>::instance(); }

bool readTrackpadBoolPref(const std::string& key) {
    for (const char* domain : kTrackpadDomains) {
        auto value = platform::preferences().copyAppValue(key, domain);
        if (!value) continue;
        if (auto b = boolOrInteger(*value)) return *b;
    }
    return false;
}

bool readNaturalScrollPref() {
    auto& prefs = platform::preferences();
    prefs.synchronize(platform::kAnyApplication);
    auto value = prefs.copyAppValue("com.apple.swipescrolldirection", platform::kAnyApplication);
    if (!value) return true;
    return boolOrInteger(*value).value_or(true);
}

void reloadTrackpadPrefs() {
    auto& ui = UIState::shared();
    ui.tapToClick.set(readTrackpadBoolPref("Clicking"));
    ui.ThreefingerDrag.set(readTrackpadBoolPref("TrackpadThreeFingerDrag"));
    if (naturalScrollRead()) ui.naturalScroll.set(readNaturalScrollPref());
}

std::vector<std::string> watchedPrefFiles() {
    auto library = platform::preferences().userLibraryDirectory();
    if (!library) return {};
    std::vector<std::string> files;
    for (const char* name : {"com.apple.AppleMultitouchTrackpad", "com.apple.driver.AppleBluetoothMultitouch.trackpad",
                             ".GlobalPreferences"})
        files.push_back(*library + "/Preferences/" + name + ".plist");
    return files;
}

FileMonitor::FileMonitor(std::vector<std::string> paths, std::function<void(const std::string&)> cb)
    : pathsToWatch(std::move(paths)), callback(std::move(cb)) {}

bool FileMonitor::start() {
    stream = platform::fileEvents().createStream(pathsToWatch, kPrefStreamLatency,
                                                 [this](const std::vector<std::string>& paths) {
                                                     for (const auto& p : paths)
                                                         if (callback) callback(p);
                                                 });
    if (!stream) return false;
    stream->start();
    return true;
}

void trackpadPrefsChanged(const std::string& path, const std::vector<std::string>& watched) {
    if (std::find(watched.begin(), watched.end(), path) == watched.end()) return;
    scheduleTrackpadPrefsReload();
}

void scheduleTrackpadPrefsReload() {
    auto& watch = TrackpadPrefWatch::shared();
    auto& loop = platform::runLoop();
    if (watch.pendingPrefReload) loop.cancel(*watch.pendingPrefReload);
    watch.pendingPrefReload = loop.postAfter(kPrefReloadDelay, [] {
        TrackpadPrefWatch::shared().pendingPrefReload.reset();
        reloadTrackpadPrefs();
    });
}

void startTrackpadPrefs() {
    TrackpadPrefWatch::shared().storeWatch =
        platform::preferences().watchTrackpadSettings([] { scheduleTrackpadPrefsReload(); });
    reloadTrackpadPrefs();

    auto watched = watchedPrefFiles();
    if (watched.empty()) return;
    const std::string file = watched.front();
    const std::string folder = file.substr(0, file.rfind('/'));
    auto& watch = TrackpadPrefWatch::shared();
    watch.prefFileMonitor = std::make_unique<FileMonitor>(
        std::vector<std::string>{folder}, [watched](const std::string& path) { trackpadPrefsChanged(path, watched); });
    watch.prefFileMonitor->start();
}

} // namespace corv::app
