// The program's own symbol drawings, rendered offscreen under a dark and a
// light desktop theme; each picture is also written to the build folder.

#include "platform/desktop/shell/DesktopSymbols.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corv::desktop {
namespace {

using platform::SymbolImage;

struct Ink {
    double cover = 0;      // share of the picture that is drawn
    double lightness = 0;  // mean lightness of the drawn pixels, 0 to 255
    int red = 0;           // drawn pixels that are plainly red
};

Ink inkOf(const QImage& image) {
    Ink ink;
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 128) continue;
            ++drawn;
            ink.lightness += c.lightness();
            if (c.red() > 200 && c.green() < 120) ++ink.red;
        }
    ink.cover = double(drawn) / (image.width() * image.height());
    if (drawn) ink.lightness /= drawn;
    return ink;
}

QImage render(const SymbolImage& symbol, const char* theme) {
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    symbolIcon(symbol).paint(&p, image.rect());
    p.end();
    image.save(QString::fromStdString("symbol-" + symbol.symbol + "-" + theme + ".png"));
    return image;
}

class DesktopSymbolsTest : public ::testing::Test {
protected:
    ~DesktopSymbolsTest() override { QApplication::setPalette(saved_); }
    static void useTheme(QColor text) {
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::WindowText, text);
        QApplication::setPalette(palette);
    }

private:
    QPalette saved_ = QApplication::palette();
};

TEST_F(DesktopSymbolsTest, TemplateSymbolsAreDistinctDrawingsInTheThemesTextColour) {
    const std::vector<std::string> symbols{"rectangle.and.hand.point.up.left.filled", "restart.circle", "power",
                                           "microphone", "microphone.slash", "capslock", "capslock.fill"};
    for (const auto& [theme, text, light] : {std::tuple{"dark", QColor(Qt::white), true},
                                             std::tuple{"light", QColor(Qt::black), false}}) {
        useTheme(text);
        std::vector<QImage> pictures;
        for (const auto& s : symbols) {
            const QImage image = render({s, true, {}, 0}, theme);
            const Ink ink = inkOf(image);
            EXPECT_GT(ink.cover, 0.08) << s << " " << theme;
            EXPECT_LT(ink.cover, 0.6) << s << " " << theme;
            if (light)
                EXPECT_GT(ink.lightness, 200) << s << " on a dark panel";
            else
                EXPECT_LT(ink.lightness, 60) << s << " on a light panel";
            for (std::size_t i = 0; i < pictures.size(); ++i)
                EXPECT_NE(pictures[i], image) << s << " looks like " << symbols[i];
            pictures.push_back(image);
            // Plasma's Qt integration publishes a named icon by its name alone.
            EXPECT_EQ(traySymbolIcon({s, true, {}, 0}, {}).name().toStdString(), "") << s;
        }
    }
}

TEST_F(DesktopSymbolsTest, PaletteColoursTheSlashAndTheBody) {
    useTheme(Qt::white);
    // The microphone item: a red slash over a body in the text colour.
    const Ink item = inkOf(render({"microphone.slash", true, {"systemRed", "labelColor"}, 0}, "item"));
    EXPECT_GT(item.red, 40);
    EXPECT_GT(item.lightness, 120);
    useTheme(Qt::black);
    const Ink onLight = inkOf(render({"microphone.slash", true, {"systemRed", "labelColor"}, 0}, "item-light"));
    EXPECT_GT(onLight.red, 40);
    EXPECT_LT(onLight.lightness, item.lightness - 40);
    // The overlay's white microphone stays white whatever the theme.
    const Ink overlay = inkOf(render({"microphone", false, {"white"}, 0}, "overlay"));
    EXPECT_GT(overlay.lightness, 240);
    EXPECT_EQ(overlay.red, 0);
}

} // namespace
} // namespace corv::desktop
