#include "platform/desktop/windows/DesktopInputSources.h"

namespace corv::desktop {

namespace {

platform::InputSource sourceOf(const CompositorInputSource& layout) {
    platform::InputSource source{layout.id, std::nullopt};
    if (!layout.name.empty()) source.localizedName = layout.name;
    return source;
}

} // namespace

DesktopInputSources::~DesktopInputSources() {
    if (watch_) windows_.unwatch(*watch_);
}

std::optional<std::vector<platform::InputSource>> DesktopInputSources::selectableSources() {
    const auto sources = windows_.inputSources();
    if (!sources) return std::nullopt;
    std::vector<platform::InputSource> out;
    for (const auto& layout : sources->sources) out.push_back(sourceOf(layout));
    return out;
}

std::optional<platform::InputSource> DesktopInputSources::currentKeyboardSource() {
    const auto sources = windows_.inputSources();
    if (!sources || sources->current < 0 || sources->current >= static_cast<int>(sources->sources.size()))
        return std::nullopt;
    return sourceOf(sources->sources[static_cast<std::size_t>(sources->current)]);
}

bool DesktopInputSources::select(const platform::InputSource& source) { return windows_.selectInputSource(source.id); }

void DesktopInputSources::setChangeHandlers(std::function<void()> enabledChanged,
                                            std::function<void()> selectedChanged) {
    enabledChanged_ = std::move(enabledChanged);
    selectedChanged_ = std::move(selectedChanged);
    const bool wanted = enabledChanged_ || selectedChanged_;
    if (wanted && !watch_) {
        watch_ = windows_.watchInputSources([this](bool list) {
            // Copied: a handler may set new ones.
            auto run = list ? enabledChanged_ : selectedChanged_;
            if (run) run();
        });
    } else if (!wanted && watch_) {
        windows_.unwatch(*watch_);
        watch_.reset();
    }
}

} // namespace corv::desktop
