#pragma once

// A translucent rounded window (or the widget that fills one): nothing shows
// outside its outline. On a desktop that does not composite the clear corners
// would show the server's fill, so it is cut to its outline (without the soft
// edge); where the desktop composites, whatever its children paint outside
// the outline is wiped, so the corners stay clear. Follows the showing and
// the size.

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
    // Above every child, while composited.
    QWidget* wiper_;
};

} // namespace corv::ui
