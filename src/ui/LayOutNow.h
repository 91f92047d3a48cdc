#pragma once

// Qt lays a widget out on a later turn after its content changes, one level
// of nesting per turn, so a size hint read at once can miss a change made
// inside a nested block.

class QWidget;

namespace corv::ui {

// Lays out `root` and every shown widget inside it now, the innermost first,
// so that the size hints read next take in every change made so far.
void layOutNow(QWidget* root);

} // namespace corv::ui
