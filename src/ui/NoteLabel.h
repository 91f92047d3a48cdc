#pragma once

// A note that stands where a list would be when it has nothing to show (no
// device found): the panel's text, dimmed, centred and wrapped.

#include <QLabel>

namespace corv::ui {

class NoteLabel final : public QLabel {
public:
    NoteLabel(const QString& text, QWidget* parent);
};

} // namespace corv::ui
