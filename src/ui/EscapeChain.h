#pragma once

// Escape, wherever the focus is, closes the topmost of the panel's layers,
// one per press: a shown hint, then a popover, picker or menu, then a
// dialog (the reset confirmation, the save and open dialogs), then the panel.

namespace corv::ui {

// Installs the chain once per process run.
void installEscapeChain();

} // namespace corv::ui
