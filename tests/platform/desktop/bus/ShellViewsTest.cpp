// The overviews of GNOME Shell, KDE Plasma, Cinnamon and Xfce, driven as the
// user drives them: keys on a faked keyboard bound to the triggered swipes,
// the shells stand-ins on a private session bus, the chords GNOME keeps in
// GSettings read from its real schemas. A second trigger closes what the
// first opened.

#include "app/DockObserver.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/ShellState.h"

#include "platform/desktop/bus/Accelerator.h"
#include "platform/desktop/bus/ShellViews.h"
#include "platform/desktop/input/InputScene.h"
#include "support/PrivateBus.h"
#include "support/UmockdevInput.h"

// GIO after Qt here: only its C functions are used.
#include <gio/gio.h>

#include <QDBusVariant>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace corv::desktop {
namespace {

using test::keyEvent;
using test::spinUntil;
using Keys = std::vector<test::InputEvent>;

constexpr const char* kPosting = "Corvadine virtual input";
constexpr const char* kRecord = "org.corv.Test";

// The keys bound to the triggers (virtual key codes of U, D and I).
constexpr std::uint16_t kVkU = 32, kVkD = 2, kVkI = 34;
// Waits for what should happen: generous for a loaded machine, left early.
constexpr int kBound = 10000;

class Scene : public InputScene {
public:
    // `sessionType` "wayland": the same views, with no compositor facility here.
    Scene(const char* desktop, test::PrivateBus& bus, const char* sessionType = "x11") {
        ::setenv("XDG_CURRENT_DESKTOP", desktop, 1);
        ::setenv("XDG_SESSION_TYPE", sessionType, 1);
        ::unsetenv("WAYLAND_DISPLAY");
        start(true, [&](DesktopLocations& where) { where.sessionBusAddress = bus.address(); });
        for (auto [vk, action] : {std::pair{kVkU, ActionId::TriggerSwipeU}, {kVkD, ActionId::TriggerSwipeD},
                                  {kVkI, ActionId::TriggerPinchIn}})
            Apps::shared().a.modify([&](AppEntries& e) { e[""].key[vk][0] = BindAction::forAction(action); });
        EXPECT_TRUE(spinUntil([&] { return input.grabbed(keyboard); }, 5000));
        settle();
        // As the program does at the end of its start.
        app::DockObserver::shared().start();
    }
    void press(std::uint16_t code) {
        input.send(keyboard, {{EV_MSC, MSC_SCAN, code}, keyEvent(code, 1), {EV_MSC, MSC_SCAN, code}, keyEvent(code, 0)});
        settle(150);
    }
    static int state() { return ShellState::shared().dockState; }
    bool stateBecomes(int want) { return spinUntil([&] { return state() == want; }, kBound); }

    std::string keyboard = input.addDevice(test::fakeKeyboard("Fake Keyboard"));
};

QVariant property(test::PrivateBus& bus, const QString& service, const QString& path, const QString& interface,
                  const QString& name) {
    const auto reply = bus.call(service, path, "org.freedesktop.DBus.Properties", "Get", {interface, name});
    return reply.arguments().isEmpty() ? QVariant() : qvariant_cast<QDBusVariant>(reply.arguments().front()).variant();
}

// A method of the stand-in that notes its name (and argument) in the
// property org.corv.Test.Calls, after running `then`.
void recordingMethod(test::PrivateBus& bus, const QString& service, const QString& path, const QString& interface,
                     const QString& method, const QString& signature, const QString& then = {}) {
    const QString arg = signature.isEmpty() ? QString("''") : QString("'(' + args[0] + ')'");
    bus.mock(service, path, "AddMethod",
             {interface, method, signature, "",
              then + QString("self.Set('%1', 'Calls', self.Get('%1', 'Calls') + '%2' + %3 + ';')")
                         .arg(kRecord, method, arg)});
}
void recording(test::PrivateBus& bus, const QString& service, const QString& path) {
    bus.mock(service, path, "AddProperty", {kRecord, "Calls", QString()});
}
QString calls(test::PrivateBus& bus, const QString& service, const QString& path) {
    return property(bus, service, path, kRecord, "Calls").toString();
}

// Counts the reads of the interface's properties on the stand-in from now
// on; the count is read with `reads`.
void countReads(test::PrivateBus& bus, const QString& service, const QString& path, const QString& interface) {
    bus.mock(service, path, "AddProperty", {kRecord, "Reads", 0});
    bus.mock(service, path, "AddMethod", {kRecord, "Count", "", "",
                                          "class C(dict):\n"
                                          "    def __getitem__(d, k):\n"
                                          "        r = type(d).o.props['org.corv.Test']\n"
                                          "        r['Reads'] = r['Reads'] + 1\n"
                                          "        return dict.__getitem__(d, k)\n"
                                          "C.o = self\n"
                                          "self.props['" + interface + "'] = C(self.props['" + interface + "'])\n"});
    bus.call(service, path, kRecord, "Count", {});
}
int reads(test::PrivateBus& bus, const QString& service, const QString& path) {
    return property(bus, service, path, kRecord, "Reads").toInt();
}
// A quiet while (longer than any read interval) asks the shell nothing.
void staysQuiet(InputScene& s, test::PrivateBus& bus, const QString& service, const QString& path,
                const QString& interface) {
    // KWin's effects are read for a while after an action.
    s.settle(static_cast<int>(ShellViews::kBusyFor * 1000) + 300);
    countReads(bus, service, path, interface);
    s.settle(1500);
    EXPECT_EQ(reads(bus, service, path), 0);
}

TEST(ShellViews, GnomeOverviewAndTheGridChordTheUserSetInGSettings) {
    if (!test::runningUnderUmockdev()) return;
    ::setenv("GSETTINGS_BACKEND", "memory", 1);
    GSettingsSchema* schema =
        g_settings_schema_source_lookup(g_settings_schema_source_get_default(), "org.gnome.shell.keybindings", TRUE);
    ASSERT_NE(schema, nullptr) << "GNOME Shell's schemas are missing (scripts/deps.sh installs gnome-shell-common)";
    g_settings_schema_unref(schema);
    test::PrivateBus bus;
    const QString shell = "org.gnome.Shell", path = "/org/gnome/Shell";
    ASSERT_TRUE(bus.startObject(shell, path, shell)) << bus.error();
    bus.mock(shell, path, "AddProperty", {shell, "OverviewActive", false});
    // As GNOME answers other programs.
    bus.mock(shell, path, "AddMethod",
             {shell, "ShowApplications", "", "",
              "raise dbus.exceptions.DBusException('denied', name='org.freedesktop.DBus.Error.AccessDenied')"});
    Scene s("ubuntu:GNOME", bus);
    const auto overview = [&] { return property(bus, shell, path, shell, "OverviewActive"); };

    // Up shows the overview, and what the shell says is the state; up again hides it.
    s.press(KEY_U);
    ASSERT_TRUE(spinUntil([&] { return overview() == QVariant(true); }, kBound));
    EXPECT_TRUE(s.stateBecomes(1));
    s.press(KEY_U);
    EXPECT_TRUE(spinUntil([&] { return overview() == QVariant(false); }, kBound));
    EXPECT_TRUE(s.stateBecomes(0));
    staysQuiet(s, bus, shell, path, shell);
    // The user's own overview is the state at once.
    bus.call(shell, path, "org.freedesktop.DBus.Properties", "Set", {shell, "OverviewActive", QVariant::fromValue(QDBusVariant(true))});
    EXPECT_TRUE(s.stateBecomes(1));
    bus.call(shell, path, "org.freedesktop.DBus.Properties", "Set", {shell, "OverviewActive", QVariant::fromValue(QDBusVariant(false))});
    EXPECT_TRUE(s.stateBecomes(0));
    // Down: GNOME has no view of one application's windows.
    s.press(KEY_D);
    s.settle(300);
    EXPECT_EQ(overview(), QVariant(false));
    EXPECT_TRUE(s.input.written(kPosting).empty());

    // The pinch posts the user's chord for the grid, read when it is needed.
    s.press(KEY_I);
    const Keys superA{keyEvent(KEY_LEFTMETA, 1), keyEvent(KEY_A, 1), keyEvent(KEY_A, 0), keyEvent(KEY_LEFTMETA, 0)};
    EXPECT_TRUE(spinUntil([&] { return s.input.written(kPosting) == superA; }, kBound)) << s.input.written(kPosting).size();
    GSettings* keys = g_settings_new("org.gnome.shell.keybindings");
    const char* chord[] = {"<Primary><Alt>F5", nullptr};
    ASSERT_TRUE(g_settings_set_strv(keys, "toggle-application-view", chord));
    s.press(KEY_I);
    const Keys ctrlAltF5{keyEvent(KEY_LEFTCTRL, 1), keyEvent(KEY_LEFTALT, 1), keyEvent(KEY_F5, 1),
                         keyEvent(KEY_F5, 0),       keyEvent(KEY_LEFTCTRL, 0), keyEvent(KEY_LEFTALT, 0)};
    const auto after = [&] {
        Keys all = s.input.written(kPosting);
        return Keys(all.begin() + static_cast<long>(std::min(all.size(), superA.size())), all.end());
    };
    EXPECT_TRUE(spinUntil([&] { return after() == ctrlAltF5; }, kBound)) << after().size();
    g_object_unref(keys);
}

TEST(ShellViews, KdeShortcutsByKWinsNamesItsEffectsAndThePlasmaLauncher) {
    if (!test::runningUnderUmockdev()) return;
    struct Case {
        const char* what;
        QStringList names;  // as kglobalaccel lists KWin's
        QString allWindows;
        const char* sessionType;
    };
    const Case cases[] = {
        {"Plasma 5.27", {"Expose", "ExposeAll", "ExposeClass", "Overview", "Show Desktop", "ShowDesktopGrid", "Window Close"},
         "Overview", "wayland"},
        {"Plasma before the overview", {"Expose", "ExposeAll", "ExposeClass", "Show Desktop", "ShowDesktopGrid"},
         "ExposeAll", "x11"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::PrivateBus bus;
        const QString accel = "org.kde.kglobalaccel", component = "/component/kwin";
        const QString kwin = "org.kde.KWin", plasma = "org.kde.plasmashell";
        ASSERT_TRUE(bus.startObject(accel, component, "org.kde.kglobalaccel.Component")) << bus.error();
        recording(bus, accel, component);
        bus.mock(accel, component, "AddMethod",
                 {"org.kde.kglobalaccel.Component", "shortcutNames", "", "as", "ret = " + ("['" + c.names.join("', '") + "']")});
        // As KWin: the shortcut toggles its effect, which says nothing.
        recordingMethod(bus, accel, component, "org.kde.kglobalaccel.Component", "invokeShortcut", "s",
                        "e = {'Overview': 'overview', 'ExposeAll': 'windowview', 'ExposeClass': 'windowview'}.get(args[0])\n"
                        "if e:\n"
                        "    p = ('org.kde.kwin.Effects', 'activeEffects')\n"
                        "    a = list(map(str, self.connection.call_blocking('org.kde.KWin', '/Effects', "
                        "'org.freedesktop.DBus.Properties', 'Get', 'ss', p)))\n"
                        "    a.remove(e) if e in a else a.append(e)\n"
                        "    self.connection.call_blocking('org.kde.KWin', '/Effects', 'org.freedesktop.DBus.Properties', "
                        "'Set', 'ssv', p + (dbus.Array(a, signature='s'),))\n");
        ASSERT_TRUE(bus.startObject(kwin, "/KWin", kwin)) << bus.error();
        bus.mock(kwin, "/KWin", "AddProperty", {kwin, "showingDesktop", false});
        bus.mock(kwin, "/KWin", "AddMethod", {kRecord, "Run", "s", "", "exec(args[0])"});
        bus.call(kwin, "/KWin", kRecord, "Run",
                 {"self.AddObject('/Effects', 'org.kde.kwin.Effects', "
                  "{'activeEffects': dbus.Array([], signature='s')}, [])"});
        ASSERT_TRUE(bus.startObject(plasma, "/PlasmaShell", "org.kde.PlasmaShell")) << bus.error();
        recording(bus, plasma, "/PlasmaShell");
        recordingMethod(bus, plasma, "/PlasmaShell", "org.kde.PlasmaShell", "activateLauncherMenu", "");
        Scene s("KDE", bus, c.sessionType);
        const QString invoked = "invokeShortcut(" + c.allWindows + ");";

        // Up: all windows; KWin shows its effect, which is the state.
        s.press(KEY_U);
        ASSERT_TRUE(spinUntil([&] { return calls(bus, accel, component) == invoked; }, kBound));
        EXPECT_TRUE(s.stateBecomes(1));
        // Up again hides it through the same shortcut.
        s.press(KEY_U);
        EXPECT_TRUE(spinUntil([&] { return calls(bus, accel, component) == invoked + invoked; }, kBound));
        EXPECT_TRUE(s.stateBecomes(0));
        // Down: the application's windows; down again hides them.
        s.press(KEY_D);
        EXPECT_TRUE(spinUntil([&] { return calls(bus, accel, component).endsWith("invokeShortcut(ExposeClass);"); }, kBound));
        EXPECT_TRUE(s.stateBecomes(2));
        s.press(KEY_D);
        EXPECT_TRUE(spinUntil(
            [&] { return calls(bus, accel, component).endsWith("invokeShortcut(ExposeClass);invokeShortcut(ExposeClass);"); },
            kBound));
        EXPECT_TRUE(s.stateBecomes(0));
        // The pinch: Plasma's launcher.
        s.press(KEY_I);
        EXPECT_TRUE(spinUntil([&] { return calls(bus, plasma, "/PlasmaShell") == "activateLauncherMenu;"; }, kBound));
        staysQuiet(s, bus, kwin, "/Effects", "org.kde.kwin.Effects");
        // The user's own KWin shortcut: its effect is read after it.
        for (auto [effect, state] : {std::pair{"desktopgrid", 3}, {"", 0}}) {
            bus.call(kwin, "/KWin", kRecord, "Run",
                     {QString("objects['/Effects'].props['org.kde.kwin.Effects']['activeEffects'] = "
                              "dbus.Array([%1], signature='s')")
                          .arg(*effect ? QString("'%1'").arg(effect) : QString())});
            ASSERT_EQ(bus.emitAny(accel, component, component, "org.kde.kglobalaccel.Component", "globalShortcutPressed",
                                  "ssx", "['kwin', 'ShowDesktopGrid', 0]"),
                      "");
            EXPECT_TRUE(s.stateBecomes(state)) << effect;
        }
        // The desktop KWin shows is state 4, as its signal says.
        bus.call(kwin, "/KWin", kRecord, "Run",
                 {"self.props['org.kde.KWin']['showingDesktop'] = True\n"
                  "self.EmitSignal('org.kde.KWin', 'showingDesktopChanged', 'b', [True])"});
        EXPECT_TRUE(s.stateBecomes(4));
    }
}

TEST(ShellViews, CinnamonOverviewAndExpoAndXfcesApplicationFinder) {
    if (!test::runningUnderUmockdev()) return;
    {
        test::PrivateBus bus;
        const QString cinnamon = "org.Cinnamon", path = "/org/Cinnamon";
        ASSERT_TRUE(bus.startObject(cinnamon, path, cinnamon)) << bus.error();
        bus.mock(cinnamon, path, "AddProperties", {cinnamon, QVariantMap{{"OverviewActive", false}, {"ExpoActive", false}}});
        recording(bus, cinnamon, path);
        for (const QString view : {"Overview", "Expo"})
            recordingMethod(bus, cinnamon, path, cinnamon, "Show" + view, "",
                            QString("self.Set('org.Cinnamon', '%1Active', True); ").arg(view));
        Scene s("X-Cinnamon", bus);
        const auto active = [&](const char* name) { return property(bus, cinnamon, path, cinnamon, name); };

        s.press(KEY_U);
        ASSERT_TRUE(spinUntil([&] { return active("OverviewActive") == QVariant(true); }, kBound));
        EXPECT_TRUE(s.stateBecomes(1));
        s.press(KEY_U);
        EXPECT_TRUE(spinUntil([&] { return active("OverviewActive") == QVariant(false); }, kBound));
        EXPECT_TRUE(s.stateBecomes(0));
        // The pinch shows the expo, which is the grid; a second pinch hides it.
        s.press(KEY_I);
        ASSERT_TRUE(spinUntil([&] { return active("ExpoActive") == QVariant(true); }, kBound));
        EXPECT_TRUE(s.stateBecomes(3));
        s.press(KEY_I);
        EXPECT_TRUE(spinUntil([&] { return active("ExpoActive") == QVariant(false); }, kBound));
        EXPECT_TRUE(s.stateBecomes(0));
        staysQuiet(s, bus, cinnamon, path, cinnamon);
        EXPECT_EQ(calls(bus, cinnamon, path).toStdString(), "ShowOverview;ShowExpo;");
    }
    {
        // Xfce: the pinch starts the application finder, found through $PATH.
        QTemporaryDir bin;
        const QString marker = bin.filePath("started");
        QFile finder(bin.filePath("xfce4-appfinder"));
        ASSERT_TRUE(finder.open(QIODevice::WriteOnly));
        finder.write(("#!/bin/sh\necho \"$@\" >> " + marker + "\n").toUtf8());
        finder.close();
        finder.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ::setenv("PATH", (bin.path() + ":" + qgetenv("PATH")).toUtf8().constData(), 1);
        test::PrivateBus bus;
        Scene s("XFCE", bus);
        s.press(KEY_U);
        s.press(KEY_I);
        EXPECT_TRUE(spinUntil([&] { return QFile::exists(marker); }, kBound));
        EXPECT_EQ(Scene::state(), 0);
        EXPECT_TRUE(s.input.written(kPosting).empty());
    }
}

TEST(ShellViews, GsettingsChordsParseToTheKeysThatTypeThemInTheLayout) {
    const struct {
        const char* text;
        const char* layout;
        std::optional<Accelerator> parsed;
    } cases[] = {
        {"<Super>a", "us", Accelerator{0x100000, KEY_A}},
        {"<Super>a", "fr", Accelerator{0x100000, KEY_Q}},
        {"<Super>q", "fr", Accelerator{0x100000, KEY_A}},
        {"<Super>z", "de(nodeadkeys)", Accelerator{0x100000, KEY_Y}},
        {"<Super>udiaeresis", "de", Accelerator{0x100000, KEY_LEFTBRACE}},
        {"<Super>udiaeresis", "us", std::nullopt},
        {"<Super>a", "no-such-layout", Accelerator{0x100000, KEY_A}},
        {"<Primary><Alt>F5", "fr", Accelerator{0x40000 | 0x80000, KEY_F5}},
        {"<Shift><Control>Page_Down", "us", Accelerator{0x20000 | 0x40000, KEY_PAGEDOWN}},
        {"<Mod4>9", "us", Accelerator{0x100000, KEY_9}},
        {"<super>Q", "us", Accelerator{0x100000, KEY_Q}},
        {"F12", "us", Accelerator{0, KEY_F12}},
        {"<Super>F99999999999", "us", std::nullopt},
        {"<Super>F99999999999999999999999", "fr", std::nullopt},
        {"", "us", std::nullopt},
        {"disabled", "us", std::nullopt},
        {"<Super>", "us", std::nullopt},
        {"<Super", "us", std::nullopt},
        {"<Hyperspace>a", "us", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(parseAccelerator(c.text, c.layout), c.parsed) << c.text << " in " << c.layout;
}

} // namespace
} // namespace corv::desktop
