#pragma once

#include "platform/Windows.h"
#include "platform/sim/SimRunLoop.h"

#include <memory>
#include <string>
#include <vector>

namespace corv::sim {

// What became of a panel; it outlives the window object.
struct PanelRecord {
    // 0: no content; else the number of the content tree made.
    int content = 0;
    int contentsMade = 0;
    platform::Rect frame{0, 0, 380, 500};
    bool visible = false;
    int keyOrders = 0;
};

// What became of an overlay tile, in order.
struct OverlayRecord {
    platform::SymbolImage symbol;
    platform::Rect frame{0, 0, 100, 100};
    bool ordered = false;
    double opacity = 0;
    bool closed = false;
    // (target opacity, seconds, clock at the start) of each fade.
    struct Fade {
        double opacity;
        double seconds;
        double start;
    };
    std::vector<Fade> fades;
    double closedAt = -1;
};

// Windows as records; a fade ends after its time on the run loop's clock.
class SimWindows final : public platform::Windows {
public:
    explicit SimWindows(SimRunLoop& loop) : loop_(loop) {}
    std::unique_ptr<platform::PanelWindow> makePanel() override;
    std::unique_ptr<platform::OverlayWindow> makeOverlay(const platform::SymbolImage& symbol) override;

    std::vector<std::shared_ptr<PanelRecord>> panels;
    std::vector<std::shared_ptr<OverlayRecord>> overlays;

private:
    SimRunLoop& loop_;
};

} // namespace corv::sim
