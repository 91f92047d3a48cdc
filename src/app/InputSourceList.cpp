#include "app/InputSourceList.h"

#include "model/ShellState.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cctype>

namespace corv::app {

namespace {

bool containsIgnoringCase(const std::string& text, const std::string& part) {
    auto it = std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
    return it != text.end();
}

bool leftOut(const platform::InputSource& s) {
    return !s.localizedName || containsIgnoringCase(*s.localizedName, "emoji") ||
           containsIgnoringCase(*s.localizedName, "PressAndHold");
}

} // namespace

void reloadInputSources() {
    auto& sources = platform::inputSources();
    auto& shell = ShellState::shared();
    shell.inputSources = sources.selectableSources().value_or(std::vector<platform::InputSource>{});
    auto current = sources.currentKeyboardSource();
    if (!current) return;
    std::erase_if(shell.inputSources, leftOut);
    shell.currentInputSourceIndex = -1;
    for (std::size_t i = 0; i < shell.inputSources.size(); ++i)
        if (shell.inputSources[i] == *current) shell.currentInputSourceIndex = static_cast<std::int64_t>(i);
}

void updateCurrentInputSource() {
    auto current = platform::inputSources().currentKeyboardSource();
    if (!current) return;
    auto& shell = ShellState::shared();
    shell.currentInputSourceIndex = -1;
    for (std::size_t i = 0; i < shell.inputSources.size(); ++i)
        if (shell.inputSources[i] == *current) shell.currentInputSourceIndex = static_cast<std::int64_t>(i);
}

void observeInputSources() { platform::inputSources().setChangeHandlers(&reloadInputSources, &updateCurrentInputSource); }

} // namespace corv::app
