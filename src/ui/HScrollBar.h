#pragma once

// The row of application icons at the head of a tab: the globe for the global
// profile, then one icon per application with settings. It scrolls sideways
// with the trackpad while the pointer is over it, with either wheel, and when
// dragged; it settles on whole icons when the scroll or drag ends. Tab
// stops at the selected icon, the arrows move along the icons and Space or
// Return picks one.

#include "model/Observable.h"
#include "ui/HScrollBarModel.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>

class QVariantAnimation;

namespace corv::ui {

class HScrollBar final : public QWidget {
public:
    // `appid` is shown as selected; `update` is told the id clicked ("" for
    // the globe).
    HScrollBar(Published<std::string>& appid, std::function<void(const std::string&)> update,
               QWidget* parent = nullptr);
    ~HScrollBar() override;

    const HScrollBarModel& model() const { return model_; }
    // The cells in order (the globe first); for tests.
    QList<QWidget*> cells() const;
    QWidget* cellFor(const std::string& id) const;
    bool highlighted(const std::string& id) const;

protected:
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    // The wheels, and a drag along the row, scroll it.
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void rebuild();
    void showSelection();
    void measure();
    void placeRow(double x);
    void scrollStep(double delta);
    void scrollingChanged(bool now);
    // The row slides to rest on a whole icon.
    void settleRow();
    // Scrolls the row so the focused cell shows whole.
    void reveal(QWidget* cell);

    Published<std::string>& appid_;
    std::function<void(const std::string&)> update_;
    HScrollBarModel model_;
    QWidget* globe_;
    QWidget* area_;
    QWidget* row_ = nullptr;
    QPointer<QVariantAnimation> settle_;
    bool wasScrolling_;
    bool rebuildPending_ = false;
    bool hovering_ = false;
    double dragFrom_ = 0;
    bool dragging_ = false;
    Subscription appsSub_, idSub_, offsetSub_, scrollingSub_;
};

} // namespace corv::ui
