#include "platform/desktop/DesktopSymbols.h"

#include <QPainter>
#include <QPixmap>

#include <map>
#include <string>

namespace corv::desktop {

namespace {

const std::map<std::string, const char*>& themeNames() {
    static const std::map<std::string, const char*> names{
        {"restart.circle", "view-refresh"},
        {"power", "application-exit"},
        {"microphone", "audio-input-microphone"},
        {"microphone.slash", "microphone-sensitivity-muted"},
        {"rectangle.and.hand.point.up.left.filled", "input-touchpad"},
        {"capslock", "input-keyboard"},
        {"capslock.fill", "input-keyboard"},
    };
    return names;
}

QColor colorNamed(const std::string& name) {
    if (name == "systemRed") return QColor(255, 59, 48);
    if (name == "white") return Qt::white;
    return Qt::black;
}

// A rounded outline with the symbol's initial, in its first palette colour.
QPixmap drawnSymbol(const platform::SymbolImage& image, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor color = image.palette.empty() ? QColor(Qt::black) : colorNamed(image.palette.front());
    p.setPen(QPen(color, size / 11.0));
    p.drawRoundedRect(QRectF(size * 0.1, size * 0.1, size * 0.8, size * 0.8), size * 0.2, size * 0.2);
    if (image.symbol.find("slash") != std::string::npos) p.drawLine(QPointF(size * 0.2, size * 0.2), QPointF(size * 0.8, size * 0.8));
    QFont font = p.font();
    font.setPixelSize(size / 2);
    p.setFont(font);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QString(QChar::fromLatin1(image.symbol.empty() ? '?' : image.symbol[0])).toUpper());
    return pixmap;
}

} // namespace

QIcon symbolIcon(const platform::SymbolImage& image, int size) {
    auto it = themeNames().find(image.symbol);
    if (it != themeNames().end() && QIcon::hasThemeIcon(QString::fromLatin1(it->second)))
        return QIcon::fromTheme(QString::fromLatin1(it->second));
    return QIcon(drawnSymbol(image, size));
}

} // namespace corv::desktop
