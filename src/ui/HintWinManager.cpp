#include "ui/HintWinManager.h"

#include "model/Shared.h"
#include "platform/Platform.h"
#include "platform/RunLoop.h"

namespace corv::ui {

HintWinManager& HintWinManager::shared() { return Shared<HintWinManager>::instance(); }

void HintWinManager::show(const std::string& text, bool big, const platform::Rect& anchor, StandBy at) {
    ++showToken;
    if (!panel_) return;
    panel_->setContent(text, big);
    const int token = showToken;
    platform::runLoop().post([this, token, height = anchor.height, at = std::move(at)] {
        // A newer show places the panel itself.
        if (!panel_ || token != showToken) return;
        const std::optional<platform::Point> spot = at ? at() : std::nullopt;
        hintOrigin = placeHint(spot ? *spot : panel_->pointer(), panel_->size(), height, panel_->screens());
        panel_->orderFront(hintOrigin);
        panel_->fadeTo(1.0, kFade);
    });
}

void HintWinManager::hide() {
    const int token = showToken;
    if (!panel_) return;
    panel_->fadeTo(0.0, kFade);
    platform::runLoop().postAfter(kFade, [this, token] {
        if (!panel_ || token != showToken) return;
        panel_->orderOut();
        panel_->clearContent();
    });
}

void HintWinManager::dismiss() {
    ++showToken;
    currentText.clear();
    inside = false;
    if (!panel_) return;
    panel_->orderOut();
    panel_->clearContent();
}

void HintWinManager::hover(bool hovering, const std::string& text, bool big, std::function<platform::Rect()> frame,
                           StandBy at) {
    if (text.empty()) return;
    inside = hovering;
    auto& loop = platform::runLoop();
    if (hovering) {
        currentText = text;
        if (isVisible()) {
            show(text, big, frame ? frame() : platform::Rect{}, std::move(at));
            return;
        }
        loop.postAfter(kShowDelay, [this, text, big, frame = std::move(frame), at = std::move(at)] {
            if (currentText == text) show(text, big, frame ? frame() : platform::Rect{}, at);
        });
        return;
    }
    loop.postAfter(kLeaveCheckDelay, [this, text] {
        if (currentText != text || inside) return;
        currentText.clear();
        hide();
    });
}

void HintWinManager::toggleHelp(const std::string& text, const platform::Rect& anchor) {
    if (isVisible()) {
        hide();
        return;
    }
    currentText = text;
    show(text, true, anchor);
}

} // namespace corv::ui
