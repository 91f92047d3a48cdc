#pragma once

// The keyboard tab's frame: entering and leaving it, choosing a profile in
// the strip, a tap on the empty column, the height it may take, and the
// header tools of a selected application's key bindings.

#include <string>

namespace corv::ui::keyboard {

// Key capture on (the engine's key tap paused once), the Shortcuts and the
// running applications fetched without waiting.
void keysTabAppeared();
// Key capture off, then the control diversion of every keyboard sent again
// from what the lists hold now.
void keysTabDisappeared();

// The highlights go before the selection changes.
void selectApplication(const std::string& id);
void clearHighlights();

// The screen's height less 105; unlimited before the panel was placed.
double tabMaxHeight(double screenHeight);

// Two turns after the click, the application selected at the click (or the
// one named) takes the global profile's key bindings; an application removed
// meanwhile gets nothing and is not made again.
void loadGlobalKeyBindings();
void loadGlobalKeyBindings(const std::string& id);
void removeAllKeyBindings();
void removeAllKeyBindings(const std::string& id);
void toggleKeyLock();
void toggleKeyLock(const std::string& id);
// The key row's highlight alone goes; its mask and source stay.
void clearKeyHighlight();

} // namespace corv::ui::keyboard
