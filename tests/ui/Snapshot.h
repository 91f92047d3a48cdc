#pragma once

// Renders a widget at its real size to <build>/snapshots/<name>.png, so every
// test run leaves pictures of the states it checked.

#include <QDir>
#include <QImage>
#include <QLayout>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <algorithm>
#include <string>

namespace corv::test {

inline QString snapshotPath(const std::string& name) {
    QDir().mkpath(QStringLiteral(CORV_SNAPSHOT_DIR));
    return QStringLiteral(CORV_SNAPSHOT_DIR "/") + QString::fromStdString(name) + QStringLiteral(".png");
}

// Lays the widget out at its size hint (or its present size when it has one
// already) and writes it; true when the file was written.
inline bool snapshot(QWidget& w, const std::string& name) {
    w.ensurePolished();
    if (w.layout()) w.layout()->activate();
    if (w.size().isEmpty() || !w.testAttribute(Qt::WA_Resized)) w.adjustSize();
    const QPixmap pixmap = w.grab();
    return !pixmap.isNull() && pixmap.save(snapshotPath(name));
}

// The most opaque pixel the widget draws, children included, over nothing:
// how strongly it shows, whatever its colour.
inline int drawnAlpha(QWidget& w) {
    QImage image(w.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    w.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) most = std::max(most, qAlpha(image.pixel(x, y)));
    return most;
}

} // namespace corv::test
