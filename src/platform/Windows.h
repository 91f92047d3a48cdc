#pragma once

// The program's own windows: the settings panel that drops from the status
// item, and the symbol overlay tiles.

#include "platform/Point.h"
#include "platform/Rect.h"
#include "platform/StatusBar.h"

#include <functional>
#include <memory>

namespace corv::platform {

// The borderless floating panel below the status item.
class PanelWindow {
public:
    virtual ~PanelWindow() = default;
    // Makes a fresh content view tree, or drops the present one.
    virtual void setContent(bool present) = 0;
    virtual bool hasContent() const = 0;
    virtual Rect frame() const = 0;
    // The top-left corner.
    virtual void setFrameOrigin(Point origin) = 0;
    virtual void makeKeyAndOrderFront() = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;
};

// A borderless tile above every window, on every workspace, that takes no
// input and no focus, showing one symbol.
class OverlayWindow {
public:
    virtual ~OverlayWindow() = default;
    virtual Rect frame() const = 0;
    virtual void setFrameOrigin(Point origin) = 0;
    // Shows the window without activating the program.
    virtual void orderFrontRegardless() = 0;
    // Fades the tile's opacity to the value over the time, ease in; `done`
    // runs on the main queue when the fade has ended.
    virtual void animateOpacity(double opacity, double seconds, std::function<void()> done) = 0;
    virtual void close() = 0;
};

class Windows {
public:
    virtual ~Windows() = default;
    virtual std::unique_ptr<PanelWindow> makePanel() = 0;
    // A tile of 100 x 100 points: the symbol at 80 points with 10 points of
    // padding, at opacity 0.
    virtual std::unique_ptr<OverlayWindow> makeOverlay(const SymbolImage& symbol) = 0;
    // Whether the desktop composites windows, so that what a window leaves
    // clear shows what lies behind it.
    virtual bool composited() { return true; }
};

} // namespace corv::platform
