#include "app/InputSourceList.h"

#include "engine/SenderDevice.h"
#include "model/ShellState.h"
#include "platform/Platform.h"

namespace corv::app {

namespace {

bool leftOut(const platform::InputSource& s) {
    return !s.localizedName || engine::containsIgnoringCase(*s.localizedName, "emoji") ||
           engine::containsIgnoringCase(*s.localizedName, "PressAndHold");
}

void markCurrent(ShellState& shell, const platform::InputSource& current) {
    shell.currentInputSourceIndex = -1;
    for (std::size_t i = 0; i < shell.inputSources.size(); ++i)
        if (shell.inputSources[i] == current) shell.currentInputSourceIndex = static_cast<std::int64_t>(i);
}

} // namespace

void reloadInputSources() {
    auto& sources = platform::inputSources();
    auto& shell = ShellState::shared();
    shell.inputSources = sources.selectableSources().value_or(std::vector<platform::InputSource>{});
    auto current = sources.currentKeyboardSource();
    if (!current) return;
    std::erase_if(shell.inputSources, leftOut);
    markCurrent(shell, *current);
}

void updateCurrentInputSource() {
    auto current = platform::inputSources().currentKeyboardSource();
    if (current) markCurrent(ShellState::shared(), *current);
}

void observeInputSources() { platform::inputSources().setChangeHandlers(&reloadInputSources, &updateCurrentInputSource); }

} // namespace corv::app
