#pragma once

// A translucent rounded window on a desktop that does not composite: its
// clear corners would show the server's fill, so the window is cut to its
// outline (without the soft edge); where the desktop composites it is left
// whole. Follows the window's showing and size.

#include <QObject>

class QWidget;

namespace corv::ui {

class RoundedOutline final : public QObject {
public:
    RoundedOutline(QWidget* window, double radius);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void apply();

    QWidget* window_;
    double radius_;
    bool composited_ = true;
};

} // namespace corv::ui
