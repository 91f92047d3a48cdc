#include "platform/desktop/windows/SwayWindows.h"

#include "platform/desktop/windows/SwayIpc.h"
#include "platform/desktop/windows/SwayReplies.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <poll.h>

namespace corv::desktop {

namespace {

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
    bool readTree() {
        const auto tree = ask(sway::kGetTree);
        if (tree) cache_.setWindows(swayWindowsOf(*tree));
        return tree.has_value();
    }
    bool readWorkspaces() {
        const auto workspaces = ask(sway::kGetWorkspaces);
        if (workspaces) cache_.setDesktops(swayDesktopsOf(*workspaces));
        return workspaces.has_value();
    }
    bool readInputs() {
        const auto inputs = ask(sway::kGetInputs);
        if (inputs) cache_.setInputSources(swayInputSourcesOf(*inputs));
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
