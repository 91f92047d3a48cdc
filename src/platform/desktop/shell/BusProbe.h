#pragma once

#include <QDBusConnection>
#include <QString>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace corv::desktop {

// A bus socket the probe can reach.
struct BusSocket {
    enum class Kind { Path, Abstract };
    Kind kind = Kind::Path;
    std::string name;  // unescaped

    bool operator==(const BusSocket&) const = default;
};

// The socket of the first address in a D-Bus address list, when it is a unix
// path or abstract socket; nothing for any other transport or a malformed one.
std::optional<BusSocket> parseBusAddress(std::string_view addresses);

enum class BusKind { System, Session };

// The address QtDBus connects to: the given one, else the environment's,
// else the standard system socket, or for a session bus the socket in the
// runtime folder. Empty for a session bus that does not exist.
std::string resolveBusAddress(const QString& given, BusKind kind);

enum class ProbeResult {
    Answers,      // the bus took part in authentication
    Unreachable,  // no socket, refused, or closed without an answer
    Silent,       // connected, but no answer within the bound
    NotProbed,    // an address the probe cannot reach: left to QtDBus
};

// Connects to the bus and starts authentication, waiting at most `bound` for
// the first reply line. Never blocks longer than that.
ProbeResult probeBus(const std::string& address,
                     std::chrono::milliseconds bound = std::chrono::milliseconds(1000));

// Whether a service should make its QtDBus connection to the bus it resolves
// to: probes it, and says so on stderr when it does not answer in time.
bool busUsable(const QString& given, BusKind kind);

// A service's connection to its bus: to the given address under a name of its
// own, closed with it; else to the standard bus of the kind. Left
// unconnected when the bus is not usable.
class ServiceBus final : public QDBusConnection {
public:
    ServiceBus(const QString& given, BusKind kind, const QString& namePrefix);
    ~ServiceBus();
    ServiceBus(const ServiceBus&) = delete;
    ServiceBus& operator=(const ServiceBus&) = delete;

private:
    QString ownName_;
};

} // namespace corv::desktop
