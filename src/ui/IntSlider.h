#pragma once

// The stepped integer slider of the tabs' settings. The caller passes the
// value's getter and setter; `refresh()` re-reads it after any change. With a
// setter and enabled, it takes the mouse, the wheel and, from Tab, the keys.

#include "ui/IntSliderModel.h"

#include <QColor>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

namespace corv::ui {

struct SliderDesc {
    std::int64_t low = 0;
    std::int64_t high = 1;
    std::int64_t interval = 1;
    std::function<std::int64_t()> get;
    std::function<void(std::int64_t)> set;
    std::function<bool()> enabled;
    QColor color = Qt::white;
    // At the end of every press, and after each key or wheel step.
    std::function<void()> update;
    // After every change of the value.
    std::function<void()> rtUpdate;
    int height = 16;
};

class IntSlider final : public QWidget {
public:
    IntSlider(SliderDesc desc, QWidget* parent);

    // Reads the value; a change since the last look runs `rtUpdate`.
    void refresh();
    std::int64_t shownValue() const { return seen_; }
    bool isOn() const { return en_; }
    double fillFraction() const { return model_.fraction(seen_); }
    QColor fillColor() const;
    const SliderDesc& desc() const { return desc_; }
    // To the step nearest v, written and reported as a key step is (a
    // screen reader sets the value so).
    void stepTo(std::int64_t v);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    bool takesInput() const { return en_ && desc_.set; }
    void write(std::optional<std::int64_t> v);
    // A key or wheel step: written and reported as a press would be.
    void step(std::int64_t v);

    SliderDesc desc_;
    IntSliderModel model_;
    std::int64_t seen_;
    bool en_ = true;
    bool pressed_ = false;
};

} // namespace corv::ui
