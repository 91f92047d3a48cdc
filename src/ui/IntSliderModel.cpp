#include "ui/IntSliderModel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace corv::ui {

IntSliderModel::IntSliderModel(std::int64_t low, std::int64_t high, std::int64_t interval)
    : low_(low), high_(std::max(high, low)), interval_(std::max<std::int64_t>(interval, 1)) {}

std::int64_t IntSliderModel::clamp(std::int64_t v) const { return std::clamp(v, low_, high_); }

// A value set elsewhere may lie outside the bounds; one step beyond them is
// all that the arithmetic needs, and it cannot overflow.
std::int64_t IntSliderModel::near(std::int64_t v) const { return std::clamp(v, low_ - interval_, high_ + interval_); }

double IntSliderModel::fraction(std::int64_t ctrl) const {
    if (high_ == low_) return ctrl >= high_ ? 1.0 : 0.0;
    return std::clamp(double(ctrl - low_) / double(high_ - low_), 0.0, 1.0);
}

namespace {

// Whole values of the span from a translation, bounded so that the
// conversion to an integer is always defined.
std::int64_t wholeSteps(double translation, double width, std::int64_t span) {
    if (!(width > 0) || !std::isfinite(translation)) return 0;
    const double d = translation / width * double(span);
    return static_cast<std::int64_t>(std::clamp(std::trunc(d), -double(span), double(span)));
}

} // namespace

std::optional<std::int64_t> IntSliderModel::moved(std::int64_t ctrl, double translation, double width) {
    if (!isDraging_) lastCtrl_ = ctrl;
    const std::int64_t n = wholeSteps(translation, width, high_ - low_);
    if (std::llabs(n) < interval_ && !isDraging_) return std::nullopt;
    const std::int64_t next = clamp(near(lastCtrl_) + n / interval_ * interval_);
    if (next != lastCtrl_) isDraging_ = true;
    return next;
}

std::optional<std::int64_t> IntSliderModel::ended(std::int64_t ctrl, double translation, double releaseX,
                                                  double width) {
    std::optional<std::int64_t> write;
    const std::int64_t span = high_ - low_;
    if (!isDraging_ && span > 0 && width > 0) {
        const double stepWidth = width / (double(span) / double(interval_));
        if (std::fabs(translation) < stepWidth) {
            const double fillEnd = width * double(ctrl - low_) / double(span);
            const std::int64_t c = near(ctrl);
            write = clamp(releaseX <= fillEnd ? c - interval_ : c + interval_);
        }
    }
    isDraging_ = false;
    lastCtrl_ = write.value_or(ctrl);
    return write;
}

} // namespace corv::ui
