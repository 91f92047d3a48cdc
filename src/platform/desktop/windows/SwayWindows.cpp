#include "platform/desktop/windows/SwayWindows.h"

#include "platform/desktop/windows/SwayIpc.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <deque>
#include <limits>
#include <mutex>
#include <set>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace corv::desktop {

// The two connections (one for events, one for requests) and the commands
// waiting for the thread.
struct SwayWindows::Link {
    explicit Link(const std::string& path) : events(path), requests(path) {}
    ~Link() {
        if (wake >= 0) ::close(wake);
    }
    SwayIpc events;
    SwayIpc requests;
    int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::atomic<bool> stop{false};
    // When the request under way was sent (steady-clock ticks); 0: none.
    std::atomic<std::int64_t> askedAt{0};

    std::optional<std::string> request(std::uint32_t type, const std::string& payload = {}) {
        askedAt = std::chrono::steady_clock::now().time_since_epoch().count();
        auto reply = requests.request(type, payload);
        askedAt = 0;
        return reply;
    }
    std::mutex mutex;
    std::deque<std::string> commands;
};

namespace {

// More nesting than this is no tree sway makes.
constexpr int kMaxDepth = 64;

QJsonDocument json(const std::optional<std::string>& payload) {
    if (!payload) return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(*payload));
}

void collect(const QJsonObject& node, CompositorWindowList& out, int depth) {
    if (depth > kMaxDepth) return;
    // Views carry a pid; containers, workspaces and outputs do not.
    if (node.contains(QLatin1String("pid"))) {
        const qint64 id = node.value(QLatin1String("id")).toInteger();
        if (id > 0 && id <= std::numeric_limits<CompositorWindowId>::max()) {
            CompositorWindow w;
            w.id = static_cast<CompositorWindowId>(id);
            w.appId = node.value(QLatin1String("app_id")).toString().toStdString();
            const QJsonObject properties = node.value(QLatin1String("window_properties")).toObject();
            w.wmInstance = properties.value(QLatin1String("instance")).toString().toStdString();
            w.wmClass = properties.value(QLatin1String("class")).toString().toStdString();
            const qint64 pid = node.value(QLatin1String("pid")).toInteger(-1);
            w.pid = pid > 0 && pid <= std::numeric_limits<std::int32_t>::max() ? static_cast<std::int32_t>(pid) : -1;
            w.fullScreen = node.value(QLatin1String("fullscreen_mode")).toInt() != 0;
            const QJsonObject rect = node.value(QLatin1String("rect")).toObject();
            w.geometry = platform::Rect{rect.value(QLatin1String("x")).toDouble(), rect.value(QLatin1String("y")).toDouble(),
                                        rect.value(QLatin1String("width")).toDouble(),
                                        rect.value(QLatin1String("height")).toDouble()};
            if (node.value(QLatin1String("focused")).toBool()) out.focused = w.id;
            out.windows.push_back(std::move(w));
        }
    }
    for (const char* key : {"nodes", "floating_nodes"})
        for (const auto child : node.value(QLatin1String(key)).toArray()) collect(child.toObject(), out, depth + 1);
}

// The views of the tree; the focused one last, as the one in front.
CompositorWindowList windowsOf(const QJsonDocument& tree) {
    CompositorWindowList out;
    collect(tree.object(), out, 0);
    std::stable_partition(out.windows.begin(), out.windows.end(),
                          [&](const CompositorWindow& w) { return w.id != out.focused; });
    return out;
}

std::optional<CompositorDesktops> desktopsOf(const QJsonDocument& workspaces) {
    const QJsonArray all = workspaces.array();
    QString output;
    for (const auto w : all)
        if (w.toObject().value(QLatin1String("focused")).toBool()) output = w.toObject().value(QLatin1String("output")).toString();
    if (output.isEmpty()) return std::nullopt;
    CompositorDesktops out;
    for (const auto w : all) {
        const QJsonObject workspace = w.toObject();
        if (workspace.value(QLatin1String("output")).toString() != output) continue;
        if (workspace.value(QLatin1String("focused")).toBool()) out.current = out.count;
        ++out.count;
    }
    return out;
}

// The layouts of the first keyboard that has some.
std::optional<CompositorInputSources> sourcesOf(const QJsonDocument& inputs) {
    for (const auto i : inputs.array()) {
        const QJsonObject input = i.toObject();
        if (input.value(QLatin1String("type")).toString() != QLatin1String("keyboard")) continue;
        const QJsonArray names = input.value(QLatin1String("xkb_layout_names")).toArray();
        if (names.isEmpty()) continue;
        CompositorInputSources out;
        std::set<std::string> ids;
        for (const auto n : names) {
            const std::string name = n.toString().toStdString();
            // Two layouts of one name still get ids of their own.
            std::string id = name;
            for (int k = 2; !ids.insert(id).second; ++k) id = name + " #" + std::to_string(k);
            out.sources.push_back(CompositorInputSource{id, name});
        }
        const int active = input.value(QLatin1String("xkb_active_layout_index")).toInt(-1);
        out.current = active >= 0 && active < static_cast<int>(out.sources.size()) ? active : -1;
        return out;
    }
    return std::nullopt;
}

void run(SwayWindows::Link& link, CompositorCache& cache) {
    const auto readTree = [&] { cache.setWindows(windowsOf(json(link.request(sway::kGetTree)))); };
    const auto readWorkspaces = [&] { cache.setDesktops(desktopsOf(json(link.request(sway::kGetWorkspaces)))); };
    const auto readInputs = [&] { cache.setInputSources(sourcesOf(json(link.request(sway::kGetInputs)))); };
    if (!link.events.request(sway::kSubscribe, R"(["window","workspace","input"])")) return;
    readTree();
    readWorkspaces();
    readInputs();
    while (!link.stop) {
        pollfd fds[2] = {{link.wake, POLLIN, 0}, {link.events.fd(), POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto n = ::read(link.wake, &count, sizeof count);
            std::deque<std::string> commands;
            {
                std::lock_guard lock(link.mutex);
                commands.swap(link.commands);
            }
            for (const auto& text : commands) {
                const auto reply = link.request(sway::kRunCommand, text);
                if (traceEnabled()) trace(("sway: " + text + " -> " + reply.value_or("no answer")).c_str());
            }
        }
        if (!fds[1].revents) continue;
        // The events that came together are read once.
        bool tree = false, workspaces = false, inputs = false;
        do {
            const auto event = link.events.receive();
            if (!event) {
                cache.setWindows({});
                cache.setDesktops(std::nullopt);
                cache.setInputSources(std::nullopt);
                return;
            }
            tree = tree || event->type == sway::kWindowEvent || event->type == sway::kWorkspaceEvent;
            workspaces = workspaces || event->type == sway::kWorkspaceEvent;
            inputs = inputs || event->type == sway::kInputEvent;
            fds[1].revents = 0;
        } while (::poll(&fds[1], 1, 0) > 0 && (fds[1].revents & POLLIN));
        if (tree) readTree();
        if (workspaces) readWorkspaces();
        if (inputs) readInputs();
    }
}

} // namespace

std::unique_ptr<SwayWindows> SwayWindows::open(platform::RunLoop& loop, const std::string& socketPath) {
    auto link = std::make_unique<Link>(socketPath);
    if (!link->events.connected() || !link->requests.connected() || link->wake < 0) return nullptr;
    return std::unique_ptr<SwayWindows>(new SwayWindows(loop, std::move(link)));
}

SwayWindows::SwayWindows(platform::RunLoop& loop, std::unique_ptr<Link> link)
    : cache_(loop), link_(std::move(link)), thread_([this] { run(*link_, cache_); }) {}

SwayWindows::~SwayWindows() {
    link_->stop = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(link_->wake, &one, sizeof one);
    // A compositor that stopped answering leaves the thread in a read.
    link_->events.shutdown();
    link_->requests.shutdown();
    thread_.join();
}

unsigned SwayWindows::capabilities() const {
    return static_cast<unsigned>(CompositorCapability::Desktops) |
           static_cast<unsigned>(CompositorCapability::FullScreen) |
           static_cast<unsigned>(CompositorCapability::Activate) |
           static_cast<unsigned>(CompositorCapability::InputSources);
}

bool SwayWindows::stuck() const {
    const std::int64_t asked = link_->askedAt;
    return asked != 0 && std::chrono::steady_clock::now().time_since_epoch() -
                             std::chrono::steady_clock::duration(asked) > kCompositorBound;
}

CompositorWindowList SwayWindows::windows() {
    if (stuck()) return {};
    return cache_.windows();
}

std::optional<CompositorDesktops> SwayWindows::desktops() {
    if (stuck()) return std::nullopt;
    return cache_.desktops();
}

std::optional<CompositorInputSources> SwayWindows::inputSources() {
    if (stuck()) return std::nullopt;
    return cache_.inputSources();
}

bool SwayWindows::command(std::string text) {
    {
        std::lock_guard lock(link_->mutex);
        link_->commands.push_back(std::move(text));
    }
    const std::uint64_t one = 1;
    return ::write(link_->wake, &one, sizeof one) == sizeof one;
}

bool SwayWindows::activate(CompositorWindowId window) {
    if (!window) return false;
    return command("[con_id=" + std::to_string(window) + "] focus");
}

bool SwayWindows::setFullScreen(CompositorWindowId window, bool on) {
    if (!window) return false;
    return command("[con_id=" + std::to_string(window) + "] fullscreen " + (on ? "enable" : "disable"));
}

bool SwayWindows::switchDesktop(int direction) {
    if (direction == 0) return false;
    return command(direction > 0 ? "workspace next_on_output" : "workspace prev_on_output");
}

bool SwayWindows::selectInputSource(const std::string& id) {
    const auto sources = cache_.inputSources();
    if (!sources) return false;
    for (std::size_t i = 0; i < sources->sources.size(); ++i)
        if (sources->sources[i].id == id) return command("input type:keyboard xkb_switch_layout " + std::to_string(i));
    return false;
}

bool SwayWindows::nextInputSource() {
    if (!cache_.inputSources()) return false;
    return command("input type:keyboard xkb_switch_layout next");
}

} // namespace corv::desktop
