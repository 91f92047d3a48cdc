#pragma once

// KWin's windows through its scripting over D-Bus: a script of ours (in
// resources/kwin/) runs inside KWin and calls back a D-Bus method of ours
// with the windows, the active one, the one under the pointer and the
// desktops whenever one of them changes; lookups read what it told last and
// never wait. Activation, full screen and maximising are queued for a second
// script, loaded one run at a time, that asks for them, acts, says it has,
// and is then unloaded;
// the desktops move through /KWin and the keyboard's layouts are
// org.kde.keyboard's. The script also tells each screen's work area, and puts
// our own windows where we ask: it asks us where they go, and we answer when
// that changes (or after a while, before KWin gives up the call); each answer
// brings the next question, and a question KWin gave up on is asked again.
// Every call is sent without waiting, and only KWin's own connection is
// heard. Where the program reaches Xwayland, an X11
// window goes full screen by an EWMH request through Xwayland (bounded like
// any X call): Plasma 5.27 refuses a script's request for a window sized in
// steps that do not fill the screen, a terminal's. Plasma 5.27's scripting
// names and Plasma 6's are both understood. A KWin that restarts runs the script
// again; the scripts of a run of ours that crashed are unloaded and their
// folder removed at start, a real folder of this user only, no link followed.

#include "platform/RunLoop.h"
#include "platform/desktop/windows/CachedWindows.h"
#include "platform/desktop/windows/KWinReport.h"

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>
#include <set>
#include <memory>
#include <mutex>

namespace corv::desktop {

class KWinWindows final : public CachedWindows {
public:
    // Null when the bus cannot be reached or our script cannot be written.
    static std::unique_ptr<KWinWindows> open(platform::RunLoop& loop, const QString& sessionBus);
    ~KWinWindows() override;

    std::string name() const override { return "kwin"; }
    unsigned capabilities() const override;

    std::optional<platform::Point> pointer() override;
    // The window KWin found under its pointer when it last told.
    std::optional<CompositorWindow> windowAt(platform::Point) override;
    bool activate(CompositorWindowId window) override;
    bool setFullScreen(CompositorWindowId window, bool on) override;
    bool toggleMaximized(CompositorWindowId window) override;
    bool switchDesktop(int direction) override;
    bool selectInputSource(const std::string& id) override;
    bool nextInputSource() override;
    std::optional<CompositorScreen> screenAt(platform::Point at) override;
    bool placeOwnWindow(const std::string& title, platform::Rect frame) override;

    // Asks Xwayland to put the X11 window (its own id) in full screen or out.
    void setXwaylandFullScreen(std::function<bool(std::uint32_t window, bool on)> ask) {
        xwaylandFullScreen_ = std::move(ask);
    }

    // The bus side (a QObject): the script's reports and the layouts' signals.
    class Link;
    // Main thread: a report of the script, as JSON.
    void report(const QByteArray& json);
    // The command script asks for the queued commands, as JSON with its run,
    // and says when it has acted on them.
    QString nextCommands();
    void commandsDone(const QString& run);
    // Where our windows go, as JSON, and the version the script names when it
    // has seen it.
    QString places() const;
    QString placesVersion() const { return QString::number(placesVersion_); }
    // The script's question is held: answered when our windows move, or
    // with what it knows after a while.
    void holdPlaces();
    void readLayouts();
    // KWin went away: nothing is known until it runs our script again.
    void forget();

private:
    KWinWindows(platform::RunLoop& loop, std::unique_ptr<Link> link);
    // Loads our script and starts it; a KWin still starting is asked again,
    // less often each time.
    void runMainScript();
    void loadMainScript(int attempt, int generation);
    // Queues a command on the window KWin knows by the id.
    bool onWindow(CompositorWindowId window, const char* act, bool on = true);
    void runCommands();

    platform::RunLoop& loop_;
    std::unique_ptr<Link> link_;

    // Main thread: KWin's window ids (UUIDs) and ours.
    std::map<QString, CompositorWindowId> ids_;
    std::map<CompositorWindowId, QString> uuids_;
    std::set<CompositorWindowId> maximized_;
    std::map<CompositorWindowId, std::uint32_t> x11Windows_;
    std::function<bool(std::uint32_t, bool)> xwaylandFullScreen_;
    CompositorWindowId nextId_ = 1;
    // Our windows by title, and the frames they go at.
    std::map<std::string, platform::Rect> own_;
    int placesVersion_ = 0;
    int heldPlaces_ = 0;
    // The commands not yet asked for, and whether the command script is out
    // and has them.
    std::vector<QJsonObject> queued_;
    int commandRun_ = 0;
    bool commandOut_ = false;
    bool commandAnswered_ = false;
    int loadGeneration_ = 0;
    bool saidBlind_ = false;

    mutable std::mutex mutex_;
    std::optional<platform::Point> pointer_;
    CompositorWindowId under_ = 0;
    std::vector<KWinScreenArea> screens_;
};

} // namespace corv::desktop
