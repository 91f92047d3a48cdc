#pragma once

// GNOME Shell's windows, through the program's extension
// (resources/gnome-shell) on the session bus: the windows, the focused one
// and the one at a point, raise, full screen and maximise, the workspaces and
// the input sources. GNOME tells an ordinary client none of these. It also
// puts the program's own window (the panel) where a Wayland client cannot: at
// the frame asked for, above the others, on every workspace and in no window
// list, and tells the work areas and when the user leaves that window: a
// press outside it, another program's window taking the focus, the overview.
//
// What the extension last told is kept and read without waiting; its
// WindowsChanged signal brings the next. A request it leaves unanswered past
// the bound makes lookups find nothing until it answers. Only the extension
// served by GNOME Shell's own connection is heard, and it answers only the
// owner of the program's name (kGnomeProgramName): we queue for it, so the bus
// hands it over once an older copy lets it go (a copy gives it up as it
// quits), and say once for each program that keeps it past kNameWait.
//
// Without the extension no window is known (Xwayland's X view sees X windows
// only and must not decide the application); the desktops come from the
// fallback (EWMH through Xwayland) and the input sources are read from GNOME's
// settings. The program installs the extension's files and says once how to
// turn it on; once it appears on the bus it is used, with no restart, and
// the notice is taken back. GNOME turns it off while the screen is locked:
// then, and for a grace after it goes, nothing is said.

#include "platform/RunLoop.h"
#include "platform/desktop/windows/CachedWindows.h"
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

class GnomeScreenSaver;
class ServiceBus;

// The program's name on the session bus, which the extension answers.
inline constexpr const char* kGnomeProgramName = "com.brelvantoque.Corvadine";
// How long another program may keep it before the user is told.
inline constexpr double kNameWait = 5.0;
// The extension's service on the session bus.
inline constexpr const char* kGnomeShellService = "com.brelvantoque.Corvadine.Shell";
inline constexpr const char* kGnomeShellPath = "/com/brelvantoque/Corvadine/Shell";
inline constexpr const char* kGnomeShellInterface = "com.brelvantoque.Corvadine.Shell1";
// How long the extension may be gone before the user is told: GNOME turns
// it off and on again (an unlock, a shell restart).
inline constexpr double kExtensionGrace = 5.0;

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

class GnomeShellWindows final : public QObject, public CachedWindows {
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
        // Takes it back once the extension is there.
        std::function<void()> withdraw = {};
        // Where the extension's files go; empty: the user's extensions folder.
        QString extensionFolder = {};
    };

    GnomeShellWindows(platform::RunLoop& loop, Options options);
    ~GnomeShellWindows() override;

    // Set before the first lookup.
    void setFallback(Fallback fallback) { options_.fallback = std::move(fallback); }
    void setNotify(std::function<void(const ExtensionNotice&)> notify, std::function<void()> withdraw = {}) {
        options_.notify = std::move(notify);
        options_.withdraw = std::move(withdraw);
    }

    std::string name() const override { return "gnome-shell"; }
    unsigned capabilities() const override;

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

    std::optional<CompositorScreen> screenAt(platform::Point point) override;
    bool placeOwnWindow(const std::string& title, platform::Rect frame) override;
    void watchClicksOutside(const std::string& title, std::function<void()> clicked) override;

private slots:
    void onWindowsChanged(const QDBusMessage& signal);
    void onInputSourcesChanged(const QDBusMessage& signal);
    void onWorkAreasChanged(const QDBusMessage& signal);
    void onLeftWindow(const QDBusMessage& signal);
    void onOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void onNameAcquired(const QString& name);
    void onNameLost(const QString& name);
    // Given up as the program quits, before its teardown.
    void releaseName();

private:
    // The extension is heard while the shell's own connection serves it.
    void trust(const QString& extensionOwner, const QString& shellOwner);
    bool fromExtension(const QDBusMessage& message) const;
    QDBusMessage message(const char* method, const QList<QVariant>& args = {}) const;
    // Sends a request; one left unanswered past the bound makes lookups find
    // nothing until some answer comes.
    void ask(const char* method, const QList<QVariant>& args, std::function<void(const QDBusMessage&)> then = {});
    bool send(const char* method, const QList<QVariant>& args);
    // Reads the windows, workspaces and pointer again.
    void refresh();
    void take(std::optional<GnomeWindows> windows, std::optional<platform::Point> pointer,
              std::optional<CompositorDesktops> desktops);
    void refreshInputSources();
    void takeWorkAreas(const QDBusMessage& message);
    void forget();
    // Tells the user of a missing extension after the grace, unless it is back.
    void awaitExtension();
    // Tells, unless the screen is locked.
    void tellUnlessLocked();
    void offerExtension();
    void requestName();
    // Who holds the name is told after kNameWait, unless it is ours by then.
    void awaitHolder();
    void ownName(bool owned);
    // Another connection holds the name now: told of after a wait of its own.
    void holderChanged(const QString& owner);
    void withdrawHolderNotice();
    // Once the wait is over: who keeps the name, said in the log and then,
    // with the extension there, in a notice.
    void describeHolder();
    void noticeNameHeld();

    platform::RunLoop& loop_;
    Options options_;
    std::unique_ptr<ServiceBus> bus_;
    std::unique_ptr<QDBusServiceWatcher> owners_;
    std::unique_ptr<GnomeScreenSaver> screenSaver_;
    platform::TimerId grace_ = 0;
    GnomeInputSourceSettings settings_;
    // The extension's connection while the shell serves it.
    QString extensionOwner_, shellOwner_, trusted_;
    std::atomic<bool> present_{false};
    bool fetching_ = false;
    bool fetchAgain_ = false;
    bool noticeGiven_ = false;
    bool ownsName_ = false;
    // The extension has told us something since the name became ours.
    bool told_ = false;
    platform::TimerId nameWait_ = 0;
    // Given up for good.
    bool leaving_ = false;
    // Who keeps the name, once the wait is over; the notice of it, shown
    // (until taken back or replaced by the extension's).
    std::optional<std::string> holder_;
    bool holderNoticed_ = false;
    // Told when the user leaves the program's window of the title.
    std::string clicksTitle_;
    std::function<void()> clickedOutside_;
    // Which windows a point finds, the pointer and the work areas, as last told.
    mutable std::mutex mutex_;
    std::vector<bool> shown_;
    std::optional<platform::Point> pointer_;
    std::vector<CompositorScreen> workAreas_;
    // The source last selected, until the shell tells its sources again.
    std::optional<int> selected_;
    // Cleared as this goes: replies that arrive later find it gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

} // namespace corv::desktop
