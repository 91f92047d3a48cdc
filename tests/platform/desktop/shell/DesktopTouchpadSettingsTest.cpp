// The desktop's touchpad settings reaching UIState: GNOME's schema on the
// memory backend, changed through GSettings as the settings panel does, and
// KDE's files in a temporary configuration folder, written as KConfig does.

#include <gio/gio.h>

#include "app/TrackpadPrefs.h"
#include "model/Shared.h"
#include "model/UIState.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/shell/DesktopTouchpadSettings.h"
#include "support/PrivateBus.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corv::desktop {
namespace {

using test::spinUntil;

// The app's watcher on a desktop platform, counting its re-reads.
class Watcher {
public:
    Watcher() {
        DesktopLocations where{tmp.filePath("defaults.plist"), tmp.filePath("autostart")};
        desktop = std::make_unique<DesktopPlatform>(where);
        resetShared();
        sub_ = UIState::shared().tapToClick.subscribe([this](const bool&) { ++reloads; });
        app::startTrackpadPrefs();
    }
    ~Watcher() {
        sub_ = {};
        resetShared();
        desktop.reset();
    }
    // Lets a moment pass in which any re-read would have run.
    static void idle() { spinUntil([] { return false; }, 150); }

    QTemporaryDir tmp;
    std::unique_ptr<DesktopPlatform> desktop;
    int reloads = 0;

private:
    Subscription sub_;
};

// Compiles one schema file into a folder of the test's own and points GLib
// at it, on the memory backend.
void installSchema(const QTemporaryDir& dir, const QByteArray& schema) {
    QFile xml(dir.filePath("org.gnome.desktop.peripherals.gschema.xml"));
    ASSERT_TRUE(xml.open(QIODevice::WriteOnly));
    xml.write("<schemalist>\n" + schema + "</schemalist>\n");
    xml.close();
    ASSERT_EQ(QProcess::execute("glib-compile-schemas", {dir.path()}), 0);
    ::setenv("GSETTINGS_SCHEMA_DIR", dir.path().toUtf8().constData(), 1);
    ::setenv("GSETTINGS_BACKEND", "memory", 1);
    ::unsetenv("XDG_CURRENT_DESKTOP");
}

TEST(DesktopTouchpadSettings, KdeFilesHoldTheTouchpadsValues) {
    struct Case {
        const char* text;
        bool libinput;
        TouchpadSettings wanted;
    };
    const Case cases[] = {
        // A mouse's natural scrolling is not the touchpad's.
        {"[Libinput][1133][49271][Logitech USB Optical Mouse]\nNaturalScroll=true\n\n"
         "[Libinput][1739][52934][SYNA801A:00 06CB:CEC6 Touchpad]\nNaturalScroll=false\nTapToClick=true\n",
         true, {true, false}},
        // Tapping marks a touchpad whatever its name.
        {"[Mouse]\nNaturalScroll=true\n[Libinput][2][7][SynPS/2 Synaptics Pad]\nTapToClick=false\n", true,
         {false, std::nullopt}},
        {"[Libinput][1739][52934][ELAN Touchpad]\nNaturalScroll = true\n", true, {std::nullopt, true}},
        {"[ELAN0634:00 04F3:3124 Touchpad]\nclickMethodAreas=true\nnaturalScroll=true\ntapToClick=true\n", false,
         {true, true}},
        // The other file's spelling is not read.
        {"[ELAN Touchpad]\nTapToClick=true\n", false, {}},
        {"# nothing\n[General]\nx=1", true, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(parseKdeTouchpadFile(c.text, c.libinput), c.wanted) << c.text;
}

TEST(DesktopTouchpadSettings, KdeFilesAreReadAtLaunchAndFollowed) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    ::setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
    ::setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    auto write = [&](const char* file, const QByteArray& text) {
        QSaveFile out(config.filePath(file));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
        ASSERT_TRUE(out.commit());
    };
    write(kKdeX11TouchpadFile, "[SynPS/2 Synaptics TouchPad]\ntapToClick=true\n");
    // A pipe in place of the other file is not read: it could stall the
    // program for ever. Here it would turn natural scrolling on.
    const std::string fifo = config.filePath(kKdeInputFile).toStdString();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> stop{false};
    std::thread feeder([&] {
        // A reader that only looks at the pipe leaves this write none.
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        while (!stop) {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd < 0) return;
            // Nobody drains the pipe: once full, a blocking write would
            // hold the feeder, and release() with it.
            ::fcntl(fd, F_SETFL, O_NONBLOCK);
            const char text[] = "[Libinput][1][2][Touchpad]\nNaturalScroll=true\n";
            if (!stop) (void)!::write(fd, text, sizeof text - 1);
            ::close(fd);
        }
    });
    // Lets the feeder go, whether or not the pipe was read.
    auto release = [&] {
        if (!feeder.joinable()) return;
        stop = true;
        const int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        feeder.join();
        if (fd >= 0) ::close(fd);
    };
    struct AtEnd {
        std::function<void()> run;
        ~AtEnd() { run(); }
    } atEnd{release};

    Watcher w;
    auto& ui = UIState::shared();
    EXPECT_TRUE(ui.tapToClick.get());
    ASSERT_FALSE(ui.naturalScroll.get());
    EXPECT_FALSE(ui.ThreefingerDrag.get());
    release();
    Watcher::idle();
    const int atLaunch = w.reloads;

    // The settings panel saves the file: one re-read.
    write(kKdeX11TouchpadFile, "[SynPS/2 Synaptics TouchPad]\ntapToClick=false\nnaturalScroll=true\n");
    ASSERT_TRUE(spinUntil([&] { return !ui.tapToClick.get(); }, 5000));
    EXPECT_TRUE(ui.naturalScroll.get());
    Watcher::idle();
    EXPECT_EQ(w.reloads, atLaunch + 1);

    // Other files in the folder are not the touchpad's.
    write("kwinrc", "[Windows]\n");
    Watcher::idle();
    EXPECT_EQ(w.reloads, atLaunch + 1);
}

TEST(DesktopTouchpadSettings, GnomeSettingsAreReadAtLaunchAndFollowed) {
    // The schema as GNOME installs it.
    QTemporaryDir schemas;
    ASSERT_TRUE(schemas.isValid());
    installSchema(schemas, R"(<schema id="org.gnome.desktop.peripherals.touchpad" path="/org/gnome/desktop/peripherals/touchpad/">
    <key name="tap-to-click" type="b"><default>false</default></key>
    <key name="natural-scroll" type="b"><default>true</default></key>
    <key name="speed" type="d"><default>0</default></key>
  </schema>
)");

    GSettings* panel = g_settings_new(kGnomeTouchpadSchema);
    g_settings_set_boolean(panel, "natural-scroll", FALSE);
    Watcher w;
    auto& ui = UIState::shared();
    EXPECT_FALSE(ui.tapToClick.get());
    EXPECT_FALSE(ui.naturalScroll.get());
    const int atLaunch = w.reloads;

    // Both switched at once: one re-read.
    g_settings_set_boolean(panel, "tap-to-click", TRUE);
    g_settings_set_boolean(panel, "natural-scroll", TRUE);
    ASSERT_TRUE(spinUntil([&] { return ui.tapToClick.get() && ui.naturalScroll.get(); }, 5000));
    Watcher::idle();
    EXPECT_EQ(w.reloads, atLaunch + 1);

    // Other keys of the schema are not watched.
    g_settings_set_double(panel, "speed", 0.5);
    Watcher::idle();
    EXPECT_EQ(w.reloads, atLaunch + 1);
    EXPECT_FALSE(ui.ThreefingerDrag.get());
    g_object_unref(panel);
}

TEST(DesktopTouchpadSettings, ASchemaWithoutAPathIsNotUsed) {
    // GLib would abort the program on making its settings.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    installSchema(dir, R"(<schema id="org.gnome.desktop.peripherals.touchpad">
    <key name="tap-to-click" type="b"><default>true</default></key>
    <key name="natural-scroll" type="b"><default>true</default></key></schema>
)");
    EXPECT_EQ(DesktopTouchpadSettings(dir.path().toStdString()).store(), TouchpadStore::None);
}

} // namespace
} // namespace corv::desktop
