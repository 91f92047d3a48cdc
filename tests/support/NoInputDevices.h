#pragma once

// For tests that launch the program in process outside umockdev: no input
// device of the machine is looked for, and a writable file stands in for
// /dev/uinput, so that the program counts as trusted and shows no alert.

#include "platform/desktop/input/DesktopInput.h"

#include <QFile>
#include <QTemporaryDir>

namespace corv::test {

inline desktop::DesktopInputConfig noInputDevices(const QTemporaryDir& dir) {
    desktop::DesktopInputConfig config;
    config.findDevices = false;
    config.uinputNode = dir.filePath("uinput").toStdString();
    QFile file(QString::fromStdString(config.uinputNode));
    file.open(QIODevice::WriteOnly);
    return config;
}

} // namespace corv::test
