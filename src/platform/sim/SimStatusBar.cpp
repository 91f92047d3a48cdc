#include "platform/sim/SimStatusBar.h"

#include <algorithm>
#include <utility>

namespace corv::sim {

void SimStatusButton::popUpMenu(const std::vector<platform::MenuItem>& items) {
    std::vector<std::string> titles;
    std::vector<std::string> symbols;
    for (const auto& i : items) {
        titles.push_back(i.title);
        symbols.push_back(i.symbol);
    }
    menusShown.push_back(titles);
    menuSymbols.push_back(symbols);
    const std::string choice = std::exchange(chooseInMenu, {});
    for (const auto& i : items)
        if (!choice.empty() && i.title == choice && i.action) i.action();
}

void SimStatusButton::click(platform::MouseButton button) {
    if (std::find(sendOn.begin(), sendOn.end(), button) == sendOn.end() || !action) return;
    action(button);
}

platform::StatusButtonItem* SimStatusBar::makeStatusItem() {
    if (supply <= 0) return nullptr;
    --supply;
    items.push_back(std::make_unique<SimStatusButton>());
    return items.back().get();
}

} // namespace corv::sim
