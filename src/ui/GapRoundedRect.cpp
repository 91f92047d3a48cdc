#include "ui/GapRoundedRect.h"

#include <algorithm>

namespace corv::ui {

double cornerReach(double width, double height, double cornerRadius) {
    const double l = std::min(std::min(width, height) / 3.05733, cornerRadius);
    return std::max(0.0, l) * 1.528665;
}

std::vector<PathStep> gapRoundedRectPath(double W, double H, double cornerRadius, double gapStart, double gapWidth) {
    const double R = cornerReach(W, H, cornerRadius);
    const double gs = std::max(R, std::min(W - R, gapStart));
    const double ge = std::min(W - R, std::max(R, gs + gapWidth));
    using P = platform::Point;
    std::vector<PathStep> s;
    const auto line = [&](double x, double y) { s.push_back({PathStep::Line, P{x, y}}); };
    const auto curve = [&](P to, P c1, P c2) { s.push_back({PathStep::Curve, to, c1, c2}); };
    s.push_back({PathStep::Move, P{ge, 0}});
    line(W - R, 0);
    curve({W - 0.381 * R, 0.039 * R}, {W - 0.7 * R, 0}, {W - 0.527 * R, 0});
    curve({W - 0.039 * R, 0.381 * R}, {W - 0.196 * R, 0.088 * R}, {W - 0.088 * R, 0.196 * R});
    curve({W, R}, {W, 0.527 * R}, {W, 0.7 * R});
    line(W, H - R);
    curve({W - 0.039 * R, H - 0.381 * R}, {W, H - 0.7 * R}, {W, H - 0.527 * R});
    curve({W - 0.381 * R, H - 0.039 * R}, {W - 0.088 * R, H - 0.196 * R}, {W - 0.196 * R, H - 0.088 * R});
    curve({W - R, H}, {W - 0.527 * R, H}, {W - 0.7 * R, H});
    line(R, H);
    curve({0.381 * R, H - 0.039 * R}, {0.7 * R, H}, {0.527 * R, H});
    curve({0.039 * R, H - 0.381 * R}, {0.196 * R, H - 0.088 * R}, {0.088 * R, H - 0.196 * R});
    curve({0, H - R}, {0, H - 0.527 * R}, {0, H - 0.7 * R});
    line(0, R);
    curve({0.039 * R, 0.381 * R}, {0, 0.7 * R}, {0, 0.527 * R});
    curve({0.381 * R, 0.039 * R}, {0.088 * R, 0.196 * R}, {0.196 * R, 0.088 * R});
    curve({R, 0}, {0.527 * R, 0}, {0.7 * R, 0});
    line(gs, 0);
    return s;
}

OutlineGeometry outlineGeometry(double sectionWidth, double sectionHeight, const platform::Rect& titleRect,
                                double yOffset, double horiPadding, double vertPadding) {
    OutlineGeometry g;
    g.frame = {-horiPadding, 10 - yOffset, sectionWidth + 2 * horiPadding,
               sectionHeight + vertPadding - 10 + yOffset};
    g.gapStart = titleRect.x + horiPadding;
    g.gapWidth = titleRect.width;
    return g;
}

} // namespace corv::ui
