#include "platform/desktop/windows/SwayWindows.h"

#include "platform/desktop/windows/SwayIpc.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <limits>
#include <set>

#include <poll.h>

namespace corv::desktop {

namespace {

// More nesting than this is no tree sway makes.
constexpr int kMaxDepth = 64;

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

// The two connections to sway, one for events and one for requests.
class SwayLink final : public FacilityLink {
public:
    SwayLink(const std::string& path, CompositorCache& cache) : events_(path), requests_(path), cache_(cache) {}

    bool connected() const { return events_.connected() && requests_.connected(); }

    bool begin() override {
        return events_.request(sway::kSubscribe, R"(["window","workspace","input"])") && readTree() &&
               readWorkspaces() && readInputs();
    }
    int prepare() override { return events_.fd(); }

    bool serve(bool ready) override {
        if (!ready) return true;
        // The events that came together are read once.
        bool tree = false, workspaces = false, inputs = false;
        pollfd fd{events_.fd(), POLLIN, 0};
        do {
            // A broken or oversized message breaks the link.
            const auto event = events_.receive();
            if (!event) return false;
            tree = tree || event->type == sway::kWindowEvent || event->type == sway::kWorkspaceEvent;
            workspaces = workspaces || event->type == sway::kWorkspaceEvent;
            inputs = inputs || event->type == sway::kInputEvent;
        } while (::poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN));
        return (!tree || readTree()) && (!workspaces || readWorkspaces()) && (!inputs || readInputs());
    }

    void interrupt() override {
        events_.shutdown();
        requests_.shutdown();
    }

    bool command(const std::string& text) {
        const auto reply = ask(sway::kRunCommand, text);
        if (traceEnabled()) trace(("sway: " + text + " -> " + reply.value_or("no answer")).c_str());
        return reply.has_value();
    }

private:
    std::optional<std::string> ask(std::uint32_t type, const std::string& payload = {}) {
        cache_.asking();
        auto reply = requests_.request(type, payload);
        cache_.answered();
        return reply;
    }
    std::optional<QJsonDocument> request(std::uint32_t type) {
        const auto reply = ask(type);
        if (!reply) return std::nullopt;
        return QJsonDocument::fromJson(QByteArray::fromStdString(*reply));
    }
    bool readTree() {
        const auto tree = request(sway::kGetTree);
        if (tree) cache_.setWindows(windowsOf(*tree));
        return tree.has_value();
    }
    bool readWorkspaces() {
        const auto workspaces = request(sway::kGetWorkspaces);
        if (workspaces) cache_.setDesktops(desktopsOf(*workspaces));
        return workspaces.has_value();
    }
    bool readInputs() {
        const auto inputs = request(sway::kGetInputs);
        if (inputs) cache_.setInputSources(sourcesOf(*inputs));
        return inputs.has_value();
    }

    SwayIpc events_;
    SwayIpc requests_;
    CompositorCache& cache_;
};

} // namespace

std::unique_ptr<SwayWindows> SwayWindows::open(platform::RunLoop& loop, const std::string& socketPath) {
    auto windows = std::unique_ptr<SwayWindows>(new SwayWindows(loop, socketPath));
    auto first = std::make_unique<SwayLink>(socketPath, windows->cache_);
    if (!first->connected()) return nullptr;
    windows->thread_.start(std::move(first));
    return windows;
}

SwayWindows::SwayWindows(platform::RunLoop& loop, const std::string& socketPath)
    : CachedWindows(loop), thread_("sway", cache_, [this, socketPath]() -> std::unique_ptr<FacilityLink> {
          auto link = std::make_unique<SwayLink>(socketPath, cache_);
          if (!link->connected()) return nullptr;
          return link;
      }) {}

SwayWindows::~SwayWindows() = default;

unsigned SwayWindows::capabilities() const {
    return static_cast<unsigned>(CompositorCapability::Desktops) |
           static_cast<unsigned>(CompositorCapability::FullScreen) |
           static_cast<unsigned>(CompositorCapability::Activate) |
           static_cast<unsigned>(CompositorCapability::InputSources);
}

bool SwayWindows::command(std::string text) {
    return thread_.post([text = std::move(text)](FacilityLink& link) { return static_cast<SwayLink&>(link).command(text); });
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
