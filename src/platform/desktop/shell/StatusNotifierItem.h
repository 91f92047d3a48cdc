#pragma once

// A tray icon published on the session bus for a StatusNotifierWatcher, in
// place of Qt's, which names no menu there. Published while shown: its
// connection to the bus lives as long, so hiding it takes it off every tray.
// The connection is made off the main thread, which a slow bus never holds
// up. An item made with a menu publishes it for trays that draw it
// themselves; one made without names none, for its whole life.

#include "platform/desktop/shell/DbusMenu.h"

#include <QDBusConnection>
#include <QIcon>
#include <QHash>
#include <QObject>
#include <QPoint>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace corv::desktop {

inline constexpr const char* kStatusNotifierWatcher = "org.kde.StatusNotifierWatcher";

class StatusNotifierItem final : public QObject {
    Q_OBJECT
public:
    enum class Click { Primary, Context };
    struct TrayClick {
        Click click = Click::Primary;
        // Where the tray saw it, when the tray passes screen points.
        std::optional<QPoint> onScreen;
        // The token the tray gave for the window the click shows; empty when none.
        QString activationToken;
        // When the tray told it.
        std::chrono::steady_clock::time_point when = {};
    };
    StatusNotifierItem(std::vector<platform::MenuItem> menu, std::function<void(const TrayClick&)> clicked);
    ~StatusNotifierItem() override;
    StatusNotifierItem(const StatusNotifierItem&) = delete;
    StatusNotifierItem& operator=(const StatusNotifierItem&) = delete;

    void setIcon(const QIcon& icon);
    void setToolTip(const QString& text);
    void setShown(bool shown);
    // New entries; false, and nothing changed, when the item would gain or
    // lose its menu: trays read that once, so it takes a new item.
    bool setMenu(std::vector<platform::MenuItem> items);
    // Asks the watcher, which has just appeared, to show it.
    void registerWithWatcher();

    // What the adaptor reads.
    const QIcon& icon() const { return icon_; }
    const QString& toolTip() const { return toolTip_; }
    bool hasMenu() const { return withMenu_; }
    // On a later turn: the tray has its answer at once, even while a menu
    // the click opens is up. `at` is where the tray `host` (a bus name)
    // saw it.
    void clicked(Click c, QPoint at, const QString& host);
    // The token the tray gives before a click, for the window it shows.
    void takeActivationToken(const QString& token) { token_ = token; }

Q_SIGNALS:
    void iconChanged();
    void toolTipChanged();

private:
    void publish();
    void published(std::uint64_t generation, const QString& name);
    void withdraw();
    void send(Click c, std::optional<QPoint> onScreen, std::chrono::steady_clock::time_point when);

    const bool withMenu_;
    std::function<void(const TrayClick&)> clicked_;
    QIcon icon_;
    QString toolTip_;
    bool shown_ = false;
    DbusMenu menu_;
    QString token_;
    // Whether a host passes screen points, by its bus name, once asked.
    QHash<QString, bool> hostPoints_;
    std::optional<QDBusConnection> bus_;
    QString busName_;
    // Counts the connections asked for: one that arrives late for a hidden
    // item, or after a newer one was asked for, is closed.
    std::uint64_t generation_ = 0;
    // Outlived by a late connection's thread, which finds the item gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>();
};

// The longest the questions below wait for the bus or the watcher.
inline constexpr int kTrayAnswerBoundMs = 1000;

// Whether a watcher runs on the session bus; no answer in time counts as none.
bool statusNotifierWatcherRunning(const QDBusConnection& bus);

// Whether a watcher runs on the session bus and a tray has told it it shows
// items.
bool statusNotifierHostReady(const QDBusConnection& bus);

} // namespace corv::desktop
