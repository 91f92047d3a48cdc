#include "platform/desktop/shell/SessionBusAddress.h"

#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace corv::desktop {

namespace {

constexpr const char* kVariable = "DBUS_SESSION_BUS_ADDRESS";
// A transport no D-Bus library knows: connecting fails, nothing is started.
constexpr const char* kNoBus = "disabled:";

// Set by refuseBusAutolaunch(), not by whoever started the program.
std::atomic<bool> refusedHere{false};

bool refused() {
    const char* value = std::getenv(kVariable);
    return value && std::strcmp(value, kNoBus) == 0;
}

} // namespace

std::string existingSessionBus() {
    const char* set = std::getenv(kVariable);
    if (set && *set) return refused() ? std::string() : std::string(set);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return {};
    const std::string socket = std::string(runtime) + "/bus";
    struct stat st {};
    if (::stat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return {};
    return "unix:path=" + socket;
}

void refuseBusAutolaunch() {
    // Any address set keeps libraries from starting a bus; it is the user's.
    if (const char* set = std::getenv(kVariable); set && *set) return;
    if (!existingSessionBus().empty()) return;
    ::setenv(kVariable, kNoBus, 1);
    refusedHere = true;
}

void restoreBusEnvironment(QProcess& process) {
    if (!refusedHere || !refused()) return;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QString::fromLatin1(kVariable));
    process.setProcessEnvironment(env);
}

} // namespace corv::desktop
