#pragma once

// Run-time state shared by the shell, the engine and the settings window.
// Not persisted.

#include "model/Observable.h"

#include <cstdint>
#include <map>
#include <string>

namespace corv {

enum class ColorScheme { Light, Dark };

class UIState : public ObservableObject {
public:
    static UIState& shared();

    // Open modal panels and alerts of the settings window.
    Published<std::int64_t> dialogShowing{willChange_, 0};
    Published<ColorScheme> systemTheme{willChange_, ColorScheme::Light};
    Published<bool> quitWithoutSave{willChange_, false};
    // Gesture capture of the trackpad tab is on.
    Published<bool> bindingTabShowed{willChange_, false};
    // Key capture of the keyboard tab is on.
    Published<bool> keyboardTabShowing{willChange_, false};
    // Mirrors of the trackpad preferences.
    Published<bool> tapToClick{willChange_, false};
    Published<bool> ThreefingerDrag{willChange_, false};
    Published<bool> naturalScroll{willChange_, true};
    // Scroll state of the application-icon strip.
    Published<bool> inHScrollBar{willChange_, false};
    Published<double> offset{willChange_, 0.0};
    Published<bool> scrolling{willChange_, false};
    // Notification switches, copied from Options.theme.
    Published<bool> micMuteNotif{willChange_, false};
    Published<bool> capslockNotif{willChange_, false};
    // Programs whose event taps may interfere: process id -> shown name.
    Published<std::map<std::int32_t, std::string>> interferingApp{willChange_, {}};

    // Counts a modal panel or alert in before it runs, and out afterwards.
    void openDialog();
    void closeDialog();  // never below 0
};

} // namespace corv
