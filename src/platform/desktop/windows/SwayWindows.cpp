#include "platform/desktop/windows/SwayWindows.h"

#include "platform/desktop/windows/SwayIpc.h"
#include "platform/desktop/windows/SwayReplies.h"
#include "platform/desktop/shell/DesktopTrace.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include <poll.h>
#include <unistd.h>

namespace corv::desktop {

namespace {

// A drop-down's standing: no title bar, on every workspace.
constexpr char kStanding[] = "floating enable, border none, sticky enable";

// The text as a pattern of sway's criteria that matches it alone; nothing
// for one its quoting cannot hold.
std::optional<std::string> exactPattern(const std::string& title) {
    std::string out = "^";
    for (const char c : title) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == '"' || c == '\\') return std::nullopt;
        if (std::strchr("^$.|?*+()[]{}", c)) out += '\\';
        out += c;
    }
    return out + "$";
}

} // namespace

struct SwayWindows::OwnWindow {
    const std::int32_t pid = static_cast<std::int32_t>(::getpid());
    mutable std::mutex mutex;
    std::vector<SwayOutputArea> areas;
    // Each window asked for: the criteria naming it ("[app_id=… title=…]")
    // and where it goes, in the order first asked.
    struct Want {
        std::string criteria;
        platform::Rect frame;
    };
    std::vector<Want> wants;

    // sway makes no floating window smaller: one asked smaller grows down
    // from its top, past a bottom bar.
    std::pair<int, int> least = kSwayFloatingMinimum;

    void setLeast(std::pair<int, int> told) {
        std::lock_guard lock(mutex);
        least = told;
    }
    void setAreas(std::vector<SwayOutputArea> told) {
        std::lock_guard lock(mutex);
        areas = std::move(told);
    }
    std::optional<CompositorScreen> screenAt(platform::Point at) const {
        std::lock_guard lock(mutex);
        for (const auto& a : areas)
            if (a.output.contains(at)) return CompositorScreen{a.output, a.work};
        return std::nullopt;
    }
    void want(std::string named, platform::Rect at) {
        std::lock_guard lock(mutex);
        for (auto& w : wants)
            if (w.criteria == named) {
                w.frame = at;
                return;
            }
        wants.push_back({std::move(named), at});
    }
    // Commands that put the windows the criteria name at the frames asked,
    // inside the work area of the output holding their middle (sway may have
    // told a bar since they were placed): now, or, given a new window's
    // `id`, with their standing as well. Empty while nothing is asked.
    std::string placing(CompositorWindowId id = 0) const {
        std::lock_guard lock(mutex);
        return each([&](const Want& w) {
            const std::string at = framing(inWorkArea(w.frame));
            if (!id) return w.criteria + " " + at;
            return "[con_id=" + std::to_string(id) + " " + w.criteria.substr(1) + " " + kStanding + ", " + at;
        });
    }
    // The rules that give the windows their standing and frames as they map.
    // A frame is in variables of sway's, read as the rule runs ("$$" keeps
    // them unread while it is made), and set by `setting`.
    std::string rule() const {
        std::lock_guard lock(mutex);
        return each([&](const Want& w) {
            std::array<std::string, 4> names;
            for (std::size_t i = 0; i < names.size(); ++i) names[i] = variable(w, i, true);
            return "for_window " + w.criteria + " \"" + kStanding + ", " + framing(names) + "\"";
        });
    }
    std::string setting() const {
        std::lock_guard lock(mutex);
        return each([&](const Want& w) {
            const auto values = inWorkArea(w.frame);
            std::string out;
            for (std::size_t i = 0; i < values.size(); ++i) out += (i ? "; set " : "set ") + variable(w, i) + " " + values[i];
            return out;
        });
    }

private:
    // One command of each want, run in turn; under the lock.
    template <typename F>
    std::string each(F command) const {
        std::string out;
        for (const Want& w : wants) out += (out.empty() ? "" : "; ") + command(w);
        return out;
    }
    // The frame's x, y, width and height of a want, named by its criteria
    // alone: each run makes the same rules, which sway keeps till it reloads.
    static std::string variable(const Want& w, std::size_t i, bool unread = false) {
        std::uint32_t hash = 2166136261u;
        for (const unsigned char c : w.criteria) hash = (hash ^ c) * 16777619u;
        char key[9];
        std::snprintf(key, sizeof key, "%08x", hash);
        std::string name = (unread ? "$$corvadine_" : "$corvadine_") + std::string(key) + "_";
        name.push_back("xywh"[i]);
        return name;
    }
    static std::string framing(const std::array<std::string, 4>& v) {
        return "resize set " + v[2] + " " + v[3] + ", move absolute position " + v[0] + " " + v[1];
    }
    // The frame kept inside the work area, in words of sway's; under the lock.
    std::array<std::string, 4> inWorkArea(platform::Rect at) const {
        at.width = std::max(at.width, static_cast<double>(least.first));
        at.height = std::max(at.height, static_cast<double>(least.second));
        for (const auto& a : areas)
            if (a.output.contains({at.x + at.width / 2, at.y + at.height / 2})) {
                at.x = std::max(a.work.x, std::min(at.x, a.work.x + a.work.width - at.width));
                at.y = std::max(a.work.y, std::min(at.y, a.work.y + a.work.height - at.height));
                break;
            }
        std::array<std::string, 4> out;
        std::size_t i = 0;
        for (const double v : {at.x, at.y, at.width, at.height}) out[i++] = std::to_string(std::lround(v));
        return out;
    }
};

namespace {

// The two connections to sway, one for events and one for requests.
class SwayLink final : public FacilityLink {
public:
    SwayLink(const std::string& path, CompositorCache& cache, std::shared_ptr<SwayWindows::OwnWindow> own)
        : events_(path), requests_(path), cache_(cache), own_(std::move(own)) {}
    // What this connection told of the outputs goes with it.
    ~SwayLink() override { own_->setAreas({}); }

    bool connected() const { return events_.connected() && requests_.connected(); }

    bool begin() override {
        return events_.request(sway::kSubscribe, R"(["window","workspace","input"])") && readConfig() && readTree() &&
               readWorkspaces() && readInputs();
    }
    int prepare() override { return events_.fd(); }

    bool serve(bool ready) override {
        if (!ready) return true;
        // The events that came together are read once.
        bool tree = false, workspaces = false, inputs = false, reloaded = false;
        std::vector<CompositorWindowId> ownNew;
        pollfd fd{events_.fd(), POLLIN, 0};
        do {
            // A broken or oversized message breaks the link.
            const auto event = events_.receive();
            if (!event) return false;
            tree = tree || event->type == sway::kWindowEvent || event->type == sway::kWorkspaceEvent;
            workspaces = workspaces || event->type == sway::kWorkspaceEvent;
            inputs = inputs || event->type == sway::kInputEvent;
            reloaded = reloaded || (event->type == sway::kWorkspaceEvent && swayReloadOf(event->payload));
            if (event->type == sway::kWindowEvent)
                if (const auto w = swayWindowChangeOf(event->payload); w && w->change == "new" && w->pid == own_->pid)
                    ownNew.push_back(w->id);
        } while (::poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN));
        if (!((!tree || readTree()) && (!workspaces || readWorkspaces()) && (!inputs || readInputs()))) return false;
        // sway forgets the rule and its variables when it reads its
        // configuration again: they are given anew before the window next
        // maps, which then opens as every other time.
        if (reloaded) {
            if (!readConfig()) return false;
            ruled_.clear();
            set_.clear();
            if (!placeOwn()) return false;
        }
        // A window of the program's own that appeared goes inside the work
        // area just read: a bar may have come since it was placed.
        for (const CompositorWindowId id : ownNew)
            if (!place(own_->placing(id))) return false;
        if (ownNew.empty()) return true;
        set_ = own_->setting();
        return place(own_->rule()) && place(set_);
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

    // The program's own window is placed now if it shows; the rule puts it
    // there when it next maps.
    bool placeOwn() {
        const std::string rule = own_->rule(), setting = own_->setting();
        if ((rule != ruled_ && !place(rule)) || (setting != set_ && !place(setting))) return false;
        ruled_ = rule;
        set_ = setting;
        return place(own_->placing());
    }

private:
    bool place(const std::string& text) { return text.empty() || command(text); }
    std::optional<std::string> ask(std::uint32_t type, const std::string& payload = {}) {
        cache_.asking();
        auto reply = requests_.request(type, payload);
        cache_.answered();
        return reply;
    }
    bool readTree() {
        const auto tree = ask(sway::kGetTree);
        if (!tree) return false;
        auto told = swayTreeOf(*tree);
        cache_.setWindows(std::move(told.windows));
        own_->setAreas(std::move(told.areas));
        return true;
    }
    bool readConfig() {
        const auto config = ask(sway::kGetConfig);
        if (config) own_->setLeast(swayFloatingMinimumOf(*config));
        return config.has_value();
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
    const std::shared_ptr<SwayWindows::OwnWindow> own_;
    // The rule and the frame last given on this connection.
    std::string ruled_, set_;
};

} // namespace

std::unique_ptr<SwayWindows> SwayWindows::open(platform::RunLoop& loop, const std::string& socketPath) {
    auto windows = std::unique_ptr<SwayWindows>(new SwayWindows(loop, socketPath));
    auto first = std::make_unique<SwayLink>(socketPath, windows->cache_, windows->own_);
    if (!first->connected()) return nullptr;
    windows->thread_.start(std::move(first));
    return windows;
}

SwayWindows::SwayWindows(platform::RunLoop& loop, const std::string& socketPath)
    : CachedWindows(loop), own_(std::make_shared<OwnWindow>()),
      thread_("sway", cache_, [this, socketPath]() -> std::unique_ptr<FacilityLink> {
          auto link = std::make_unique<SwayLink>(socketPath, cache_, own_);
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

std::optional<CompositorScreen> SwayWindows::screenAt(platform::Point at) {
    if (cache_.stale()) return std::nullopt;
    return own_->screenAt(at);
}

bool SwayWindows::placeOwnWindow(const std::string& title, platform::Rect frame) {
    // Named by its app id (Qt's: the executable's name) and title, not its
    // process: the rule sway keeps is then the same for every run.
    const auto pattern = exactPattern(title);
    QString appId = QGuiApplication::desktopFileName();
    if (appId.endsWith(QLatin1String(".desktop"))) appId.chop(8);
    if (appId.isEmpty()) appId = QFileInfo(QCoreApplication::applicationFilePath()).baseName();
    const auto app = exactPattern(appId.toStdString());
    if (!pattern || !app) return false;
    own_->want("[app_id=\"" + *app + "\" title=\"" + *pattern + "\"]", frame);
    return thread_.post([](FacilityLink& link) { return static_cast<SwayLink&>(link).placeOwn(); });
}

} // namespace corv::desktop
