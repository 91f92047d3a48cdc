#pragma once

// GNOME Shell's windows, through the program's extension
// (resources/gnome-shell) on the session bus: the windows, the focused one
// and the one at a point, raise, full screen and maximise, the workspaces and
// the input sources. GNOME tells an ordinary client none of these.
//
// Without the extension no window is known (Xwayland's X view sees X windows
// only and must not decide the application); the desktops come from the
// fallback (EWMH through Xwayland) and the input sources are read from GNOME's
// settings. The program installs the extension's files and says once how to
// turn it on; once it appears on the bus it is used, with no restart.

#include "platform/RunLoop.h"
#include "platform/desktop/windows/CompositorWindows.h"
#include "platform/desktop/windows/GnomeInputSourceSettings.h"
#include "platform/desktop/windows/GnomeShellExtension.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class QDBusServiceWatcher;

namespace corv::desktop {

class ServiceBus;

// The extension's service on the session bus.
inline constexpr const char* kGnomeShellService = "com.brelvantoque.Corvadine.Shell";
inline constexpr const char* kGnomeShellPath = "/com/brelvantoque/Corvadine/Shell";
inline constexpr const char* kGnomeShellInterface = "com.brelvantoque.Corvadine.Shell1";

// A window as the extension describes it (a{sv}); id 0 when it names none.
CompositorWindow gnomeWindowOf(const QVariantMap& description);

// The windows as the extension lists them, bottom to top, and which of them a
// point finds (not minimised, on the current workspace).
struct GnomeWindows {
    CompositorWindowList list;
    std::vector<bool> shown;
};

// The topmost shown window at the point.
std::optional<CompositorWindow> gnomeWindowAt(const GnomeWindows& windows, platform::Point point);

class GnomeShellWindows final : public QObject, public CompositorWindows {
    Q_OBJECT

public:
    // What stands in for the extension's workspaces while it is missing;
    // called from any thread.
    struct Fallback {
        std::function<std::optional<CompositorDesktops>()> desktops;
        std::function<bool(int step)> switchDesktop;
    };
    struct Options {
        QString sessionBus;  // empty: the standard session bus
        Fallback fallback = {};
        // Posts the notice about the missing extension; empty: none is posted.
        std::function<void(const ExtensionNotice&)> notify = {};
        // Where the extension's files go; empty: the user's extensions folder.
        QString extensionFolder = {};
    };

    GnomeShellWindows(platform::RunLoop& loop, Options options);
    ~GnomeShellWindows() override;

    // Set before the first lookup.
    void setFallback(Fallback fallback) { options_.fallback = std::move(fallback); }
    void setNotify(std::function<void(const ExtensionNotice&)> notify) { options_.notify = std::move(notify); }

    std::string name() const override { return "gnome-shell"; }
    unsigned capabilities() const override;

    CompositorWindowList windows() override;
    std::optional<platform::Point> pointer() override;
    std::optional<CompositorWindow> windowAt(platform::Point point) override;

    bool activate(CompositorWindowId id) override;
    bool setFullScreen(CompositorWindowId id, bool on) override;
    bool toggleMaximized(CompositorWindowId id) override;

    std::optional<CompositorDesktops> desktops() override;
    bool switchDesktop(int step) override;

    std::optional<CompositorInputSources> inputSources() override;
    bool selectInputSource(const std::string& id) override;
    bool nextInputSource() override;

    CompositorWatchId watchWindows(std::function<void(const CompositorWindowList&)> changed) override;
    CompositorWatchId watchInputSources(std::function<void(bool list)> changed) override;
    void unwatch(CompositorWatchId id) override;

private slots:
    void onWindowsChanged();
    void onInputSourcesChanged(bool list);
    void onOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    QDBusMessage message(const char* method, const QList<QVariant>& args = {}) const;
    // A call waiting at most kCompositorBound; nothing when the extension is
    // missing, does not answer in time, or is still stuck on an earlier call.
    std::optional<QDBusMessage> call(const char* method, const QList<QVariant>& args = {});
    std::optional<GnomeWindows> shellWindows();
    // A request whose answer nobody waits for.
    bool send(const char* method, const QList<QVariant>& args);
    void probeStuck();
    void refreshWindows();
    void tellWindows(const CompositorWindowList& list);
    // Reads the sources again, then tells the watchers.
    void refreshInputSources(bool list);
    void tellInputSources(bool list);
    void offerExtension();

    platform::RunLoop& loop_;
    Options options_;
    std::unique_ptr<ServiceBus> bus_;
    std::unique_ptr<QDBusServiceWatcher> owner_;
    GnomeInputSourceSettings settings_;
    std::atomic<bool> present_{false};
    // The extension's sources as last read, with the selection last asked for.
    std::mutex sourcesMutex_;
    std::optional<CompositorInputSources> sources_;
    std::atomic<bool> stuck_{false};
    bool probing_ = false;
    bool fetching_ = false;
    bool fetchAgain_ = false;
    bool noticeGiven_ = false;
    CompositorWatchId nextWatch_ = 1;
    std::map<CompositorWatchId, std::function<void(const CompositorWindowList&)>> windowWatchers_;
    std::map<CompositorWatchId, std::function<void(bool)>> sourceWatchers_;
    // Cleared as this goes: replies that arrive later find it gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corv::desktop
