#include "platform/sim/SimWindows.h"

namespace corv::sim {

namespace {

class SimPanel final : public platform::PanelWindow {
public:
    explicit SimPanel(std::shared_ptr<PanelRecord> r) : r_(std::move(r)) {}
    void setContent(bool present) override { r_->content = present ? ++r_->contentsMade : 0; }
    bool hasContent() const override { return r_->content != 0; }
    platform::Rect frame() const override { return r_->frame; }
    void setFrameOrigin(platform::Point o) override {
        r_->frame.x = o.x;
        r_->frame.y = o.y;
    }
    void makeKeyAndOrderFront() override {
        r_->visible = true;
        ++r_->keyOrders;
    }
    void orderOut() override { r_->visible = false; }
    bool isVisible() const override { return r_->visible; }

private:
    std::shared_ptr<PanelRecord> r_;
};

class SimOverlay final : public platform::OverlayWindow {
public:
    SimOverlay(std::shared_ptr<OverlayRecord> r, SimRunLoop& loop) : r_(std::move(r)), loop_(loop) {}
    platform::Rect frame() const override { return r_->frame; }
    void setFrameOrigin(platform::Point o) override {
        r_->frame.x = o.x;
        r_->frame.y = o.y;
    }
    void orderFrontRegardless() override { r_->ordered = true; }
    void animateOpacity(double opacity, double seconds, std::function<void()> done) override {
        r_->fades.push_back({opacity, seconds, loop_.now()});
        loop_.postAfter(seconds, [r = r_, opacity, done = std::move(done)] {
            r->opacity = opacity;
            if (done) done();
        });
    }
    void close() override {
        if (r_->closed) return;
        r_->closed = true;
        r_->ordered = false;
        r_->closedAt = loop_.now();
    }

private:
    std::shared_ptr<OverlayRecord> r_;
    SimRunLoop& loop_;
};

} // namespace

std::unique_ptr<platform::PanelWindow> SimWindows::makePanel() {
    panels.push_back(std::make_shared<PanelRecord>());
    return std::make_unique<SimPanel>(panels.back());
}

std::unique_ptr<platform::OverlayWindow> SimWindows::makeOverlay(const platform::SymbolImage& symbol) {
    overlays.push_back(std::make_shared<OverlayRecord>());
    overlays.back()->symbol = symbol;
    return std::make_unique<SimOverlay>(overlays.back(), loop_);
}

} // namespace corv::sim
