#include "ui/AppIcon.h"

#include "platform/AppFolders.h"
#include "platform/Platform.h"
#include "ui/Theme.h"

#include <QIcon>
#include <QPainter>

namespace corv::ui {

QPixmap appIcon(const std::string& path, int size) {
    QIcon icon;
    if (path.ends_with(".desktop") && platform::installed())
        if (const auto app = platform::appFolders().desktopApplicationAt(path); app && !app->icon.empty()) {
            const QString name = QString::fromStdString(app->icon);
            icon = name.startsWith('/') ? QIcon(name) : QIcon::fromTheme(name);
        }
    if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (!icon.isNull()) return icon.pixmap(size, size);
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
