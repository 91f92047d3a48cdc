#include "ui/IntSliderModel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace corv::ui {

IntSliderModel::IntSliderModel(std::int64_t low, std::int64_t high, std::int64_t interval)
    : low_(low), high_(std::max(high, low)), interval_(std::max<std::int64_t>(interval, 1)) {}

std::int64_t IntSliderModel::clamp(std::int64_t v) const { return std::clamp(v, low_, high_); }

namespace {

// a + b, held at the ends of the range instead of overflowing.
std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
}

} // namespace

double IntSliderModel::fraction(std::int64_t ctrl) const {
    if (high_ == low_) return ctrl >= high_ ? 1.0 : 0.0;
    return std::clamp((double(ctrl) - double(low_)) / span(), 0.0, 1.0);
}

namespace {

// Whole values of the span from a translation, truncated toward zero; held
// within ±2^53 so that the conversion to an integer is always defined.
std::int64_t wholeSteps(double translation, double width, double span) {
    if (!(width > 0) || std::isnan(translation)) return 0;
    constexpr double kBound = 9007199254740992.0;
    const double d = translation / width * span;
    return static_cast<std::int64_t>(std::clamp(std::trunc(d), -kBound, kBound));
}

} // namespace

std::optional<std::int64_t> IntSliderModel::moved(std::int64_t ctrl, double translation, double width) {
    if (!isDraging_) lastCtrl_ = ctrl;
    const std::int64_t n = wholeSteps(translation, width, span());
    if (std::llabs(n) < interval_ && !isDraging_) return std::nullopt;
    const std::int64_t next = clamp(saturatingAdd(lastCtrl_, n / interval_ * interval_));
    if (next != lastCtrl_) isDraging_ = true;
    return next;
}

std::optional<std::int64_t> IntSliderModel::ended(std::int64_t ctrl, double translation, double releaseX,
                                                  double width) {
    std::optional<std::int64_t> write;
    if (!isDraging_ && high_ > low_ && width > 0) {
        const double stepWidth = width / (span() / double(interval_));
        if (std::fabs(translation) < stepWidth) {
            const double fillEnd = width * (double(ctrl) - double(low_)) / span();
            write = clamp(saturatingAdd(ctrl, releaseX <= fillEnd ? -interval_ : interval_));
        }
    }
    isDraging_ = false;
    lastCtrl_ = write.value_or(ctrl);
    return write;
}

} // namespace corv::ui
