#pragma once

// The tools of an application's header on the trackpad tab: load global,
// remove all and the gesture lock; and the three click-through flags of the
// selected profile with their carry-over.

#include "model/Apps.h"
#include "model/HelpTexts.h"

#include <array>
#include <cstdint>
#include <string>

namespace corv::ui::trackpad {

// The tools act on the selected application, or on the one named.
void toggleGestureLock();
void toggleGestureLock(const std::string& id);
// Two turns after the click the application takes the global profile's
// gesture bindings and click-through flags. An application removed meanwhile
// gets nothing and is not made again.
void loadGlobalBindings();
void loadGlobalBindings(const std::string& id);
// At once: no gesture bindings, no click-through.
void removeAllGestureBindings();
void removeAllGestureBindings(const std::string& id);

enum class ClickFlag { Left, Right, Scroll };

// A click-through switch: its flag, title key and help text.
struct ClickSwitch {
    ClickFlag flag;
    const char* title;
    HelpTopic help;
};
// The three switches in their order.
const std::array<ClickSwitch, 3>& clickSwitches();
// The entry's field behind a flag.
bool AnApp::*clickFlagMember(ClickFlag f);

// The flag of the selected profile; false when its entry is missing.
bool clickFlag(ClickFlag f);
// Sets it (one change); nothing when the entry is missing.
void setClickFlag(ClickFlag f, bool on);
// A switch changed: on the global profile and by the user's click, every
// unlocked application takes the global's value.
void carryOverClickThrough(ClickFlag f, bool newValue, bool byClick);

// Which help pane a pane button leaves open: a second click closes it.
std::int64_t togglePane(std::int64_t shown, std::int64_t n);

} // namespace corv::ui::trackpad
