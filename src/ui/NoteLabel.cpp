#include "ui/NoteLabel.h"

#include "ui/Theme.h"

namespace corv::ui {

NoteLabel::NoteLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setObjectName(QStringLiteral("note"));
    setWordWrap(true);
    setAlignment(Qt::AlignCenter);
    setContentsMargins(30, 10, 30, 10);
    setFont(panelFont());
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, dimLabelColor());
    setPalette(pal);
    // Its wrapped lines whole at the panel's width, however the layout squeezes.
    setMinimumHeight(heightForWidth(kPanelWidth));
}

} // namespace corv::ui
