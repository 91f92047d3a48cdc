#pragma once

// Where the user's session bus is, and keeping any library from starting one
// (dbus-launch --autolaunch) when there is none.

#include <QProcess>

#include <string>

namespace corv::desktop {

// DBUS_SESSION_BUS_ADDRESS when set, else the socket $XDG_RUNTIME_DIR/bus when
// it exists; empty when there is neither.
std::string existingSessionBus();

// With no session bus, sets DBUS_SESSION_BUS_ADDRESS to an address no library
// connects to, so QtDBus and GDBus fail at once instead of starting a bus.
// Call before the Qt application is made.
void refuseBusAutolaunch();

// Gives a program about to be started the environment it would have had
// without refuseBusAutolaunch().
void restoreBusEnvironment(QProcess& process);

} // namespace corv::desktop
