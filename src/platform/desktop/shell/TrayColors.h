#pragma once

// The colours a system tray asks its icons to take: `_NET_SYSTEM_TRAY_COLORS`
// on the owner of the tray selection (foreground, error, warning, success).
// Read over Qt's own X connection when the tray appears or the property
// changes; none off X11, without a tray, or when the tray names none.

#include <QAbstractNativeEventFilter>
#include <QColor>

#include <cstdint>
#include <functional>
#include <optional>

namespace corv::desktop {

struct TrayPalette {
    QColor foreground;
    QColor error;
    bool operator==(const TrayPalette&) const = default;
};

class TrayColors final : public QAbstractNativeEventFilter {
public:
    // `changed` runs on the main thread whenever the colours change, and
    // `appeared` when a tray takes the selection that nobody held.
    explicit TrayColors(std::function<void()> changed, std::function<void()> appeared = {});
    ~TrayColors() override;
    TrayColors(const TrayColors&) = delete;
    TrayColors& operator=(const TrayColors&) = delete;

    const std::optional<TrayPalette>& palette() const { return palette_; }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    void read();

    std::function<void()> changed_;
    std::function<void()> appeared_;
    std::optional<TrayPalette> palette_;
    void* connection_ = nullptr;  // xcb_connection_t, Qt's
    std::uint32_t root_ = 0, owner_ = 0;
    std::uint32_t selection_ = 0, manager_ = 0, colors_ = 0;
};

} // namespace corv::desktop
