#include "ui/IntSliderModel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace corv::ui {

namespace {

// a + b, held at the ends of the range instead of overflowing.
std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

// n steps of `step`, held at the ends of the range.
std::int64_t saturatingSteps(std::int64_t n, std::int64_t step) {
    std::int64_t product = 0;
    if (!__builtin_mul_overflow(n, step, &product)) return product;
    return n > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

} // namespace

IntSliderModel::IntSliderModel(std::int64_t low, std::int64_t high, std::int64_t interval)
    : low_(low), high_(std::max(high, low)), interval_(std::max<std::int64_t>(interval, 1)) {}

std::int64_t IntSliderModel::clamp(std::int64_t v) const { return std::clamp(v, low_, high_); }

double IntSliderModel::fraction(std::int64_t ctrl) const {
    if (high_ == low_) return ctrl >= high_ ? 1.0 : 0.0;
    return std::clamp((double(ctrl) - double(low_)) / span(), 0.0, 1.0);
}

std::int64_t IntSliderModel::pageStep() const {
    // A tenth of the span in whole steps, at least one.
    const double steps = std::round(span() / 10 / double(interval_));
    return steps < 1 ? interval_ : saturatingSteps(static_cast<std::int64_t>(std::min(steps, 1e15)), interval_);
}

std::int64_t IntSliderModel::valueAt(double x, double width) const {
    if (!(width > 0) || std::isnan(x) || high_ == low_) return low_;
    const double f = std::clamp(x / width, 0.0, 1.0);
    const double v = double(low_) + std::round(f * span() / double(interval_)) * double(interval_);
    if (v >= double(high_)) return high_;
    if (v <= double(low_)) return low_;
    return static_cast<std::int64_t>(v);
}

void IntSliderModel::pressed(std::int64_t ctrl, double x, double width) {
    pressing_ = true;
    pressX_ = x;
    const double end = width > 0 ? width * fraction(ctrl) : 0;
    dragging_ = std::fabs(x - end) <= kGrab;
    grab_ = dragging_ ? x - end : 0;
}

std::optional<std::int64_t> IntSliderModel::moved(double x, double width) {
    if (!pressing_ || std::isnan(x) || !(width > 0)) return std::nullopt;
    if (!dragging_) {
        if (std::fabs(x - pressX_) < kDragDistance) return std::nullopt;
        dragging_ = true;
        grab_ = 0;
    }
    return valueAt(x - grab_, width);
}

std::optional<std::int64_t> IntSliderModel::ended(std::int64_t ctrl, double x, double width) {
    if (!pressing_) return std::nullopt;
    const bool paging = !dragging_;
    pressing_ = dragging_ = false;
    if (!paging || !(width > 0) || high_ == low_ || std::isnan(x)) return std::nullopt;
    const std::int64_t page = pageStep();
    return clamp(saturatingAdd(clamp(ctrl), x <= width * fraction(ctrl) ? -page : page));
}

std::int64_t IntSliderModel::keyed(std::int64_t ctrl, SliderKey key) const {
    const std::int64_t from = clamp(ctrl);
    switch (key) {
    case SliderKey::StepUp: return clamp(saturatingAdd(from, interval_));
    case SliderKey::StepDown: return clamp(saturatingAdd(from, -interval_));
    case SliderKey::PageUp: return clamp(saturatingAdd(from, pageStep()));
    case SliderKey::PageDown: return clamp(saturatingAdd(from, -pageStep()));
    case SliderKey::Low: return low_;
    case SliderKey::High: return high_;
    }
    return from;
}

std::optional<std::int64_t> IntSliderModel::wheeled(std::int64_t ctrl, int angle) {
    wheel_ = std::clamp(wheel_ + angle, -120 * 100, 120 * 100);
    const int notches = wheel_ / 120;
    if (notches == 0) return std::nullopt;
    wheel_ -= notches * 120;
    return clamp(saturatingAdd(clamp(ctrl), saturatingSteps(notches, interval_)));
}

} // namespace corv::ui
