#pragma once

// The single owner of the hover-hint panel: which control's hint is pending,
// the delays of hovering, and the fades of showing and hiding. The panel
// itself is a thin window behind `HintPanel`.

#include "platform/Rect.h"
#include "ui/HintPlacement.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corv::ui {

// What the manager drives: a window that never takes the mouse or the focus.
class HintPanel {
public:
    virtual ~HintPanel() = default;
    virtual bool isVisible() const = 0;
    // Shows the text (wide and wrapping when `big`); the size follows it.
    virtual void setContent(const std::string& text, bool big) = 0;
    virtual void clearContent() = 0;
    virtual HintSize size() const = 0;
    virtual platform::Point pointer() const = 0;
    virtual std::vector<platform::Rect> screens() const = 0;
    virtual void orderFront(platform::Point origin) = 0;
    virtual void fadeTo(double alpha, double seconds) = 0;
    virtual void orderOut() = 0;
};

class HintWinManager {
public:
    // Where a hint stands by instead of the pointer, when it answers a point.
    using StandBy = std::function<std::optional<platform::Point>()>;

    static constexpr double kShowDelay = 0.8;
    static constexpr double kLeaveCheckDelay = 0.3;
    static constexpr double kFade = 0.3;

    static HintWinManager& shared();

    // The panel; without one, hints are tracked but not drawn.
    void setPanel(HintPanel* panel) { panel_ = panel; }
    HintPanel* panel() const { return panel_; }

    // Shows the text near the pointer (or `at`, asked as it is placed); the
    // anchor is the control's frame.
    void show(const std::string& text, bool big, const platform::Rect& anchor, StandBy at = {});
    // Fades the panel out; a newer show keeps it.
    void hide();
    // Takes the panel down at once and forgets the pending hint.
    void dismiss();
    bool isVisible() const { return panel_ && panel_->isVisible(); }

    // A hinted control was entered or left; `frame` gives its frame at the
    // moment of showing. An empty text is never tracked.
    void hover(bool hovering, const std::string& text, bool big, std::function<platform::Rect()> frame,
               StandBy at = {});

    // A help button: hides a visible hint, else shows the wide one.
    void toggleHelp(const std::string& text, const platform::Rect& anchor);

    platform::Point hintOrigin;
    std::string currentText;
    bool inside = false;
    int showToken = 0;

private:
    HintPanel* panel_ = nullptr;
};

} // namespace corv::ui
