#pragma once

// The switch of an application's header, shared by the tabs: the check box
// and the application's name; a press switches the selected entry on or off.

#include <QWidget>

#include <string>

class QLabel;

namespace corv::ui {

class CheckBoxMark;

// The selected application's entry becomes the negation of its `enabled`;
// nothing when the entry is missing.
void toggleAppEnabled();

class AppToggle : public QWidget {
public:
    explicit AppToggle(QWidget* parent);
    // Shows the entry of the id: its switch and displayed name.
    void setEntry(const std::string& id, bool enabled);
    CheckBoxMark* box() const { return box_; }
    QLabel* name() const { return name_; }

protected:
    void mousePressEvent(QMouseEvent* e) override;

private:
    CheckBoxMark* box_;
    QLabel* name_;
};

} // namespace corv::ui
