#pragma once

// GNOME's screen shield through org.gnome.ScreenSaver on the session bus:
// whether it is up, asked without waiting, and each time it goes up or down.
// GNOME turns every extension off while it is up. Main thread.

#include <QDBusConnection>
#include <QObject>

#include <functional>

class QDBusMessage;

namespace corv::desktop {

class GnomeScreenSaver final : public QObject {
    Q_OBJECT

public:
    GnomeScreenSaver(const QDBusConnection& bus, std::function<void(bool active)> changed);
    ~GnomeScreenSaver() override;
    GnomeScreenSaver(const GnomeScreenSaver&) = delete;
    GnomeScreenSaver& operator=(const GnomeScreenSaver&) = delete;

    // Whether the shield is up; no answer within the bound counts as not.
    void ask(std::function<void(bool active)> answer);

private slots:
    void onActiveChanged(const QDBusMessage& signal);

private:
    QDBusConnection bus_;
    std::function<void(bool)> changed_;
};

} // namespace corv::desktop
