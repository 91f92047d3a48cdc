#pragma once

namespace corv::desktop {

// The Qt-backed machine. Constructing it (after the QApplication) installs its
// services; destroying it removes them.
class DesktopPlatform {
public:
    DesktopPlatform();
    ~DesktopPlatform();
};

} // namespace corv::desktop
