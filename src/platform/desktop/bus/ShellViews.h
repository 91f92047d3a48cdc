#pragma once

// The overviews of GNOME Shell, KDE Plasma, Cinnamon and Xfce over the
// session bus (Xfce's application finder as a process):
// - GNOME: org.gnome.Shell's OverviewActive (which cannot tell the grid from
//   the windows), the grid through the user's toggle-application-view chord
//   read from GSettings when it is needed;
// - KDE: KWin's shortcuts through kglobalaccel by the names it lists, its
//   active effects and showing-desktop state, Plasma's launcher;
// - Cinnamon: ShowOverview, ShowExpo and their properties.
// What shows is read when the shell says it changed; KWin's effects, which
// say nothing, are read for a short while after an action of ours or a KWin
// shortcut. Nothing waits for the shell. Main thread.

#include "platform/Event.h"
#include "platform/RunLoop.h"
#include "platform/desktop/bus/DesktopViews.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

class QObject;

namespace corv::desktop {

class ServiceBus;

class ShellViews final : public DesktopViews {
public:
    // Posts a key with the modifiers of the flags held around it.
    using PostChord = std::function<void(platform::EventFlags flags, std::uint16_t evdevKey)>;

    // The XKB layout the desktop types with now ("fr", "de(nodeadkeys)").
    using CurrentLayout = std::function<std::string()>;

    // `busAddress` empty: the session bus; no `layout`: "us".
    ShellViews(platform::RunLoop& loop, DesktopShell shell, QString busAddress, PostChord postChord,
               CurrentLayout layout = {});
    ~ShellViews() override;
    ShellViews(const ShellViews&) = delete;
    ShellViews& operator=(const ShellViews&) = delete;

    DesktopShell shell() const { return shell_; }
    DesktopView shown() const override { return shown_; }
    bool set(DesktopView view, bool show) override;
    ViewsWatchId watch(std::function<void(DesktopView)> changed) override;
    void unwatch(ViewsWatchId id) override;

    // KWin's effects: how often and how long they are read after an action.
    static constexpr double kBusyReadInterval = 0.2;
    static constexpr double kBusyFor = 2.0;

private:
    void listen();
    void read();
    void readAWhile();
    void readSoon();
    void apply(DesktopView view);
    void call(const QString& service, const QString& path, const QString& interface, const QString& method,
              const QVariantList& args = {});
    void setProperty(const QString& service, const QString& path, const QString& interface, const QString& name,
                     bool value);
    // The first of the names kglobalaccel lists for KWin; the first one when
    // it has not said.
    QString kwinShortcut(const QStringList& candidates) const;
    bool postGnomeGridChord();
    void launchAppFinder();

    platform::RunLoop& loop_;
    DesktopShell shell_;
    QString address_;
    PostChord postChord_;
    CurrentLayout layout_;
    std::unique_ptr<ServiceBus> bus_;
    std::unique_ptr<QObject> context_;
    DesktopView shown_ = DesktopView::None;
    // KDE: what the effects and the desktop say, and which window view we asked for.
    QStringList kwinNames_;
    bool kwinNamesKnown_ = false;
    DesktopView kwinWindowView_ = DesktopView::AllWindows;
    platform::TimerId busyTimer_ = 0;
    int busyReads_ = 0;
    std::uint64_t readGeneration_ = 0;
    std::map<ViewsWatchId, std::function<void(DesktopView)>> watchers_;
    ViewsWatchId nextWatch_ = 1;
};

} // namespace corv::desktop
