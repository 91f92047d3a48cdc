#include "engine/NotifWinManager.h"

#include "model/Shared.h"

namespace corv::engine {

NotifWinManager& NotifWinManager::shared() { return Shared<NotifWinManager>::instance(); }

void NotifWinManager::show(const std::string& symbol) {
    lastSymbol = symbol;
    ++showCount;
    if (presenter) presenter(symbol);
}

} // namespace corv::engine
