#pragma once

// The on-screen symbol notification. The application shell draws it; until
// its presenter is set, showing only notes the symbol.

#include <cstdint>
#include <functional>
#include <string>

namespace corv::engine {

class NotifWinManager {
public:
    static NotifWinManager& shared();

    // Shows the named symbol briefly; returns at once. Main thread.
    void show(const std::string& symbol);

    std::function<void(const std::string& symbol)> presenter;
    std::string lastSymbol;
    std::int64_t showCount = 0;
};

} // namespace corv::engine
