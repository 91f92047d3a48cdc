#include "platform/desktop/x11/DesktopInputSources.h"

namespace corv::desktop {

namespace {

platform::InputSource sourceOf(const XkbGroup& group) {
    platform::InputSource source{group.id, std::nullopt};
    if (!group.name.empty()) source.localizedName = group.name;
    return source;
}

} // namespace

DesktopInputSources::DesktopInputSources(platform::RunLoop& loop, X11Session* x11) : loop_(loop), x11_(x11) {}

DesktopInputSources::~DesktopInputSources() {
    if (watch_) x11().unwatch(*watch_);
}

X11Session& DesktopInputSources::x11() { return x11_ ? *x11_ : X11Session::standard(); }

std::optional<std::vector<platform::InputSource>> DesktopInputSources::selectableSources() {
    auto groups = x11().keyboardGroups();
    if (!groups) return std::nullopt;
    std::vector<platform::InputSource> out;
    for (const auto& group : groups->groups) out.push_back(sourceOf(group));
    return out;
}

std::optional<platform::InputSource> DesktopInputSources::currentKeyboardSource() {
    auto groups = x11().keyboardGroups();
    if (!groups || groups->locked < 0 || groups->locked >= static_cast<int>(groups->groups.size())) return std::nullopt;
    return sourceOf(groups->groups[static_cast<std::size_t>(groups->locked)]);
}

bool DesktopInputSources::select(const platform::InputSource& source) {
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
