#pragma once

// The rules of the application icon strip: which icons, in which order, with
// which hints, and how far the row is scrolled.

#include "model/Apps.h"

#include <string>
#include <vector>

namespace corv::ui {

struct StripIcon {
    std::string id;
    // The hint: the id for an application known only by it, else its
    // display name.
    std::string name;
    std::string path;  // the file's path, for its icon
    bool enabled = true;
};

// Every application of the entries but the global profile, in the panel's
// order of names.
std::vector<StripIcon> stripIcons(const AppEntries& entries);

class HScrollBarModel {
public:
    // How far the row is scrolled from its left end; 0 to 2 × bound.
    double offset = 0;
    // Half of the amount by which the row is wider than what shows.
    double bound = 0;
    double iconWidth = 0;

    // The row's and the visible width, and the count of entries (the global
    // one included: the row ends with a hidden cell in its place).
    void measure(double rowWidth, double visibleWidth, std::size_t entryCount);
    // Takes up a horizontal scroll delta; returns whether it was one (non-zero).
    bool scrollBy(double delta);
    // A scroll has ended: the row settles on a whole icon. A zero or
    // non-finite icon width leaves it where it is.
    void snap();
    // Scrolls the least that shows the row's part from `left` to `right`
    // whole in `visibleWidth`.
    void reveal(double left, double right, double visibleWidth);
    // The x of the row's left end inside the visible area.
    double rowX() const { return -offset; }
};

} // namespace corv::ui
