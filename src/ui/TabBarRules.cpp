#include "ui/TabBarRules.h"

namespace corv::ui {

CornerRadii highlightCorners(std::int64_t selection) {
    if (selection == 0) return {15, 8, 8, 8};
    if (selection == kTabCount - 1) return {8, 15, 8, 8};
    return {8, 8, 8, 8};
}

} // namespace corv::ui
