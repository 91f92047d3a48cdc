#pragma once

// The frame of the click-through section, shared by the trackpad tab and the
// exceptions tab's gesture popover: the section's title above a column for the
// three switches, outlined round the title and padded 30 at the sides and
// below. The caller fills `column` and adds `padded` to its own layout.

class QHBoxLayout;
class QVBoxLayout;
class QWidget;

namespace corv::ui::trackpad {

struct ClickThroughFrame {
    QWidget* section;
    QVBoxLayout* column;
    QHBoxLayout* padded;
};

ClickThroughFrame makeClickThroughFrame(QWidget* parent);

} // namespace corv::ui::trackpad
