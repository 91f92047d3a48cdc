#pragma once

namespace corv::platform {

// The application object, as far as the model needs it.
class AppControl {
public:
    virtual ~AppControl() = default;
    // Hides the application's windows.
    virtual void hide() = 0;
};

// A menu-bar status item.
class StatusItem {
public:
    virtual ~StatusItem() = default;
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
};

} // namespace corv::platform
