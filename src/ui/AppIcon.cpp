#include "ui/AppIcon.h"

#include "platform/AppFolders.h"
#include "platform/Platform.h"
#include "ui/Theme.h"

#include <QIcon>
#include <QPainter>

namespace corv::ui {

namespace {

// A theme with only smaller sizes gives a smaller pixmap: every icon takes
// the size asked for, so the names beside them line up.
QPixmap fitted(const QPixmap& pm, int size) {
    const QSizeF want(size, size);
    if (pm.isNull() || pm.deviceIndependentSize() == want) return pm;
    const qreal dpr = pm.devicePixelRatio();
    QPixmap out(QSize(size, size) * dpr);
    out.setDevicePixelRatio(dpr);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSizeF s = pm.deviceIndependentSize().scaled(want, Qt::KeepAspectRatio);
    p.drawPixmap(QRectF(QPointF((size - s.width()) / 2, (size - s.height()) / 2), s), pm, QRectF(pm.rect()));
    return out;
}

} // namespace

QPixmap appIcon(const std::string& path, int size) {
    QIcon icon;
    if (path.ends_with(".desktop") && platform::installed())
        if (const auto app = platform::appFolders().desktopApplicationAt(path); app && !app->icon.empty()) {
            const QString name = QString::fromStdString(app->icon);
            icon = name.startsWith('/') ? QIcon(name) : QIcon::fromTheme(name);
        }
    if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (!icon.isNull()) return fitted(icon.pixmap(size, size), size);
    // No theme: a plain tile.
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(accentTextColor());
    p.drawRoundedRect(QRectF(2, 2, size - 4, size - 4), size * 0.22, size * 0.22);
    return pm;
}

} // namespace corv::ui
