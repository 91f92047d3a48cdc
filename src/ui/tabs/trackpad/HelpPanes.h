#pragma once

// The help panes for one, two and three fingers: a text above a drawing of a
// trackpad with the fingers on it, scrolling inside the height it is given.

#include <QScrollArea>
#include <QString>
#include <QWidget>

namespace corv::ui::trackpad {

// A trackpad seen from above with the fingers on it and the ways they move.
class FingerPicture : public QWidget {
public:
    FingerPicture(int fingers, QWidget* parent);
    int fingers() const { return fingers_; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int w) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int fingers_;
};

// "Help 1F", "Help 2F" or "Help 3F" with its picture.
class HelpPane : public QScrollArea {
public:
    HelpPane(int fingers, QWidget* parent);
    int fingers() const { return fingers_; }
    // The text above the picture; empty gives back the pane's own.
    void setHeading(const QString& text);
    QString heading() const;
    // Height of the content as laid out at the pane's width.
    int contentHeight() const;
    // The same for the pane of `fingers` at `width`, without making one.
    static int contentHeightFor(int fingers, int width);

private:
    int fingers_;
};

} // namespace corv::ui::trackpad
