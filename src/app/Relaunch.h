#pragma once

// Restarting the program.

namespace corv::app {

inline constexpr const char* kRelaunchShell = "/bin/sh";
// Waits, then replaces the shell with the program; the program and its
// arguments follow as the script's own arguments, so nothing in them is
// read by the shell.
inline constexpr const char* kRelaunchScript = "sleep 0.3; exec \"$0\" \"$@\"";

// Starts a fresh copy of the program 0.3 seconds from now and asks this one
// to end. Once the launch is done the copy gets no arguments, so it imports
// no settings file.
void relaunchApp();

} // namespace corv::app
