#pragma once

// Where a tray saw the click on its icon. StatusNotifierItem hosts pass a
// point with Activate; only those that know their place on the screen pass
// a screen point: GNOME Shell (its AppIndicator extension), Plasma's shell
// and swaybar. A Wayland client knows no other place than its own surface,
// so other hosts (waybar, for one) pass a point inside their bar.

#include <QDBusConnection>
#include <QString>

#include <functional>

class QObject;

namespace corv::desktop {

// Whether a host of the process name passes screen points.
bool hostTellsScreenPoints(const QString& processName);

// The process name (its comm) of a peer on the bus, asked without waiting;
// `then` runs on the main thread with it, empty when unknown, unless
// `context` is gone by then.
void askPeerProcessName(const QDBusConnection& bus, const QString& peer, QObject* context,
                        std::function<void(const QString&)> then);

} // namespace corv::desktop
