#include "ui/Theme.h"

#include <gtest/gtest.h>

#include <cmath>

namespace corv::ui {
namespace {

TEST(ThemeTest, BlendedColorMixesInSrgbAndKeepsTheBaseOnBadInput) {
    const QColor mid = blendedColor(QColor(0, 0, 0), QColor(255, 255, 255), 0.45);
    EXPECT_NEAR(mid.redF(), 0.45, 1e-3);
    EXPECT_EQ(blendedColor(Qt::red, QColor(), 0.2), QColor(Qt::red));
    EXPECT_EQ(blendedColor(Qt::red, Qt::white, std::nan("")), QColor(Qt::red));
    EXPECT_FALSE(urlKindColor(0).isValid());
    EXPECT_EQ(urlKindColor(2), urlKindExecutableColor());
}

} // namespace
} // namespace corv::ui
