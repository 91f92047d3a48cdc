#include "platform/desktop/windows/DesktopInputSources.h"

namespace corv::desktop {

namespace {

platform::InputSource sourceOf(const XkbGroup& group) {
    platform::InputSource source{group.id, std::nullopt};
    if (!group.name.empty()) source.localizedName = group.name;
    return source;
}

} // namespace

DesktopInputSources::DesktopInputSources(platform::RunLoop& loop, X11Session* x11, CompositorWindows* compositor)
    : loop_(loop), x11_(x11), compositor_(compositor) {}

DesktopInputSources::~DesktopInputSources() {
    if (compositorWatch_) compositor_->unwatch(*compositorWatch_);
    if (watch_) x11().unwatch(*watch_);
}

X11Session& DesktopInputSources::x11() { return x11_ ? *x11_ : X11Session::standard(); }

std::optional<XkbGroups> DesktopInputSources::groups() {
    if (!compositor_) return x11().keyboardGroups();
    // The compositor's layouts stand as groups.
    const auto sources = compositor_->inputSources();
    if (!sources) return std::nullopt;
    XkbGroups out;
    for (const auto& source : sources->sources) out.groups.push_back(XkbGroup{source.id, source.name});
    out.locked = sources->current;
    return out;
}

std::optional<std::vector<platform::InputSource>> DesktopInputSources::selectableSources() {
    auto groups = this->groups();
    if (!groups) return std::nullopt;
    std::vector<platform::InputSource> out;
    for (const auto& group : groups->groups) out.push_back(sourceOf(group));
    return out;
}

std::optional<platform::InputSource> DesktopInputSources::currentKeyboardSource() {
    auto groups = this->groups();
    if (!groups || groups->locked < 0 || groups->locked >= static_cast<int>(groups->groups.size())) return std::nullopt;
    return sourceOf(groups->groups[static_cast<std::size_t>(groups->locked)]);
}

bool DesktopInputSources::select(const platform::InputSource& source) {
    if (compositor_) return compositor_->selectInputSource(source.id);
    auto groups = x11().keyboardGroups();
    if (!groups) return false;
    for (std::size_t i = 0; i < groups->groups.size(); ++i)
        if (groups->groups[i].id == source.id) return x11().lockKeyboardGroup(static_cast<int>(i));
    return false;
}

void DesktopInputSources::setChangeHandlers(std::function<void()> enabledChanged,
                                            std::function<void()> selectedChanged) {
    handlers_->enabledChanged = std::move(enabledChanged);
    handlers_->selectedChanged = std::move(selectedChanged);
    const bool wanted = handlers_->enabledChanged || handlers_->selectedChanged;
    if (compositor_) {
        if (wanted && !compositorWatch_) {
            compositorWatch_ = compositor_->watchInputSources([this](bool list) {
                // Copied: a handler may set new ones.
                auto run = list ? handlers_->enabledChanged : handlers_->selectedChanged;
                if (run) run();
            });
        } else if (!wanted && compositorWatch_) {
            compositor_->unwatch(*compositorWatch_);
            compositorWatch_.reset();
        }
        return;
    }
    if (wanted && !watch_) {
        watch_ = x11().watchKeyboard([&loop = loop_, weak = std::weak_ptr<Handlers>(handlers_)](bool names) {
            loop.postFromAnyThread([weak, names] {
                auto handlers = weak.lock();
                if (!handlers) return;
                // Copied: a handler may set new ones.
                auto run = names ? handlers->enabledChanged : handlers->selectedChanged;
                if (run) run();
            });
        });
    } else if (!wanted && watch_) {
        x11().unwatch(*watch_);
        watch_.reset();
    }
}

} // namespace corv::desktop
