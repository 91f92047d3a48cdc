#include "platform/desktop/shell/BusProbe.h"

#include "platform/desktop/shell/SessionBusAddress.h"

#include <QUuid>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace corv::desktop {

namespace {

using Clock = std::chrono::steady_clock;

const char* const kSystemSocket = "unix:path=/var/run/dbus/system_bus_socket";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Undoes the %XX escapes of an address value.
std::optional<std::string> unescape(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '%') {
            out += value[i];
            continue;
        }
        if (i + 2 >= value.size()) return std::nullopt;
        const int hi = hexDigit(value[i + 1]);
        const int lo = hexDigit(value[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return out;
}

// Milliseconds left until the deadline, never negative.
int remaining(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits for the events on the socket until the deadline; false on time-out.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, remaining(deadline));
        if (n > 0) return true;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::optional<BusSocket> parseBusAddress(std::string_view addresses) {
    const std::string_view address = addresses.substr(0, addresses.find(';'));
    const auto colon = address.find(':');
    if (colon == std::string_view::npos || address.substr(0, colon) != "unix") return std::nullopt;
    std::optional<BusSocket> found;
    std::string_view rest = address.substr(colon + 1);
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        const std::string_view pair = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        const auto eq = pair.find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        const std::string_view key = pair.substr(0, eq);
        BusSocket::Kind kind;
        if (key == "path") kind = BusSocket::Kind::Path;
        else if (key == "abstract") kind = BusSocket::Kind::Abstract;
        else continue;  // guid and the like
        if (found) return std::nullopt;  // two sockets named: not an address
        auto name = unescape(pair.substr(eq + 1));
        if (!name || name->empty()) return std::nullopt;
        found = BusSocket{kind, std::move(*name)};
    }
    return found;
}

std::string resolveBusAddress(const QString& given, BusKind kind) {
    if (!given.isEmpty()) return given.toStdString();
    if (kind == BusKind::Session) return existingSessionBus();
    const char* env = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (env && *env) return env;
    return kSystemSocket;
}

ProbeResult probeBus(const std::string& address, std::chrono::milliseconds bound) {
    const auto deadline = Clock::now() + bound;
    const auto socket = parseBusAddress(address);
    if (!socket) return ProbeResult::NotProbed;

    sockaddr_un sun{};
    sun.sun_family = AF_UNIX;
    // Either form takes one byte besides the name: the leading or the closing NUL.
    if (socket->name.size() + 1 > sizeof(sun.sun_path)) return ProbeResult::NotProbed;
    socklen_t length;
    if (socket->kind == BusSocket::Kind::Abstract) {
        std::memcpy(sun.sun_path + 1, socket->name.data(), socket->name.size());
        length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + socket->name.size());
    } else {
        std::memcpy(sun.sun_path, socket->name.data(), socket->name.size());
        length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + socket->name.size() + 1);
    }

    Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.get() < 0) return ProbeResult::NotProbed;
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&sun), length) != 0) {
        if (errno != EINPROGRESS && errno != EAGAIN && errno != EINTR) return ProbeResult::Unreachable;
        // A full backlog: the bus is not taking connections in time.
        if (!waitFor(fd.get(), POLLOUT, deadline)) return ProbeResult::Silent;
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
            return ProbeResult::Unreachable;
    }

    std::string hello(1, '\0');
    hello += "AUTH EXTERNAL ";
    for (char digit : std::to_string(::geteuid())) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(digit));
        hello += hex;
    }
    hello += "\r\n";
    std::size_t sent = 0;
    while (sent < hello.size()) {
        const ssize_t n = ::send(fd.get(), hello.data() + sent, hello.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            if (!waitFor(fd.get(), POLLOUT, deadline)) return ProbeResult::Silent;
        } else {
            return ProbeResult::Unreachable;
        }
    }

    std::string line;
    for (;;) {
        const auto end = line.find('\n');
        if (end != std::string::npos) {
            line.resize(end);
            if (line.rfind("OK ", 0) == 0 || line.rfind("REJECTED", 0) == 0) return ProbeResult::Answers;
            return ProbeResult::Unreachable;  // not a bus
        }
        if (line.size() > 4096) return ProbeResult::Unreachable;
        if (!waitFor(fd.get(), POLLIN, deadline)) return ProbeResult::Silent;
        char buffer[256];
        const ssize_t n = ::recv(fd.get(), buffer, sizeof buffer, 0);
        if (n > 0) line.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0) return ProbeResult::Unreachable;
        else if (errno != EAGAIN && errno != EINTR) return ProbeResult::Unreachable;
    }
}

bool busUsable(const QString& given, BusKind kind) {
    const std::string address = resolveBusAddress(given, kind);
    if (address.empty()) return false;  // no session bus: QtDBus would start one
    switch (probeBus(address)) {
    case ProbeResult::Answers:
    case ProbeResult::NotProbed:
        return true;
    case ProbeResult::Unreachable:
        return false;
    case ProbeResult::Silent:
        break;
    }
    std::fprintf(stderr, "corvadine: the %s bus at %s does not answer; going on without it\n",
                 kind == BusKind::System ? "system" : "session", address.c_str());
    return false;
}

ServiceBus::ServiceBus(const QString& given, BusKind kind, const QString& namePrefix)
    : QDBusConnection(namePrefix + QStringLiteral("no-bus")) {
    if (!busUsable(given, kind)) return;
    if (given.isEmpty()) {
        QDBusConnection::operator=(kind == BusKind::System ? systemBus() : sessionBus());
        return;
    }
    ownName_ = namePrefix + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QDBusConnection::operator=(connectToBus(given, ownName_));
}

ServiceBus::~ServiceBus() {
    if (ownName_.isEmpty()) return;
    QDBusConnection::operator=(QDBusConnection(QString()));
    disconnectFromBus(ownName_);
}

} // namespace corv::desktop
