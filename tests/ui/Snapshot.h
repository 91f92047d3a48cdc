#pragma once

// Renders a widget at its real size to <build>/snapshots/<name>.png, so every
// test run leaves pictures of the states it checked.

#include <QDir>
#include <QLayout>
#include <QPixmap>
#include <QString>
#include <QWidget>

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

} // namespace corv::test
