#include "platform/desktop/DesktopPlatform.h"

#include "platform/Platform.h"

namespace corv::desktop {

DesktopPlatform::DesktopPlatform() {}
DesktopPlatform::~DesktopPlatform() { platform::uninstall(); }

} // namespace corv::desktop
