#pragma once

// Which gesture rows the trackpad tab lists for the selected profile, in what
// order and in which colour; the title of a row; the height budget the help
// pane and the list share.

#include "model/Apps.h"
#include "recorders/BindingPaths.h"
#include "recorders/Highlights.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corv::ui::trackpad {

enum class RowColor { Primary, Dim, Overridden };

// One row of the list. An own row edits the selected profile's slot; an
// inherited row shows the global binding, read-only.
struct GestureRow {
    recorders::GesPath path;
    std::string appid;  // the slot's profile: the selected id, or "" when inherited
    bool own = false;
    bool highlighted = false;
    RowColor normColor = RowColor::Primary;
    bool delEn = false;
    BindAction binding;  // the value when the list was built
};

// The rows of one finger count, gesture kinds ascending.
struct FingerGroup {
    std::uint64_t fgr = 0;
    bool divider = false;  // a group with fewer fingers stands above
    std::vector<GestureRow> rows;
};

struct ListInputs {
    const AppEntries* apps = nullptr;
    std::string selected;
    recorders::GesHilited hi;
    bool tapToClick = false;
    bool threeFingerDrag = false;
    // A group's divider counts only the selected entry's own finger counts.
    bool dividersFromOwn = false;
};

// Empty when the selected or the global entry is missing.
std::vector<FingerGroup> gestureList(const ListInputs& in);
// The same from the shared objects.
std::vector<FingerGroup> currentGestureList();

// "Super+2F Swipe ↑" and the like.
std::string gestureTitle(const recorders::GesPath& p);
// The row field tag: "2_Swipe_0_Up".
std::string rowFieldTag(const recorders::GesPath& p);

inline bool samePath(const recorders::GesPath& a, const recorders::GesPath& b) {
    return a.fgr == b.fgr && a.ges == b.ges && a.mod == b.mod && a.dir == b.dir;
}
struct PathLess {
    bool operator()(const recorders::GesPath& a, const recorders::GesPath& b) const {
        if (a.fgr != b.fgr) return a.fgr < b.fgr;
        if (a.ges != b.ges) return raw(a.ges) < raw(b.ges);
        if (a.mod != b.mod) return a.mod < b.mod;
        return a.dir < b.dir;
    }
};

// Points the help pane and the list share: H − 322, never below 0; unbounded
// while the screen is unknown (H infinite or not a number).
double heightBudget(double screenHeight);
// The open help pane's maximum height, given the list's measured height.
double paneMaxHeight(double screenHeight, double listHeight);
// The list's maximum height, given the measured heights of the three panes.
double listMaxHeight(double screenHeight, double pane1, double pane2, double pane3);
} // namespace corv::ui::trackpad
