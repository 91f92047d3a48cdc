#pragma once

// An X display of one test's own: Xvfb, with a stand-in tray host that owns
// the system-tray selection (it docks nothing), or a tray bar that docks the
// icons at the screen's top or bottom edge. runningOnXvfb() runs the current
// test again in a child process on that display, through xcb.

#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <xcb/xcb.h>

namespace corv::test {

inline xcb_atom_t xAtom(xcb_connection_t* c, const char* name) {
    auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

enum class Tray { StandIn, Top, Bottom };

// True in the child on the display; in the parent, runs the child, reports
// its outcome as this test's and answers false.
inline bool runningOnXvfb(Tray trayAt = Tray::StandIn) {
    if (qEnvironmentVariableIsSet("CORV_XVFB_CHILD")) return true;

    QProcess xvfb;
    endWithThisProcess(xvfb);
    xvfb.start("Xvfb", {"-displayfd", "1", "-screen", "0", "1280x800x24", "-nolisten", "tcp"});
    if (!xvfb.waitForStarted(10000)) {
        ADD_FAILURE() << "Xvfb did not start (is the xvfb package installed?)";
        return false;
    }
    for (int i = 0; i < 100 && !xvfb.canReadLine(); ++i) xvfb.waitForReadyRead(100);
    const QString display = ":" + QString::fromUtf8(xvfb.readLine()).trimmed();
    xcb_connection_t* c = xcb_connect(display.toUtf8().constData(), nullptr);
    if (display == ":" || xcb_connection_has_error(c)) {
        ADD_FAILURE() << "no connection to Xvfb";
        xcb_disconnect(c);
        xvfb.kill();
        xvfb.waitForFinished(5000);
        return false;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    env.remove("WAYLAND_DISPLAY");
    // No bus for Qt itself: on a display with none named it starts one of its
    // own (dbus-launch), which outlives the test.
    for (const char* name : {"DBUS_SESSION_BUS_ADDRESS", "DBUS_SYSTEM_BUS_ADDRESS"})
        env.insert(name, "unix:path=/nonexistent/corvadine-test-bus");
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t selection = xAtom(c, "_NET_SYSTEM_TRAY_S0");
    QProcess trayHost, manager;
    if (trayAt != Tray::StandIn) {
        // A window manager that reads the program's hints, as a desktop's does.
        QProcessEnvironment wmEnv = env;
        wmEnv.insert("XDG_CONFIG_HOME", "/nonexistent");
        manager.setProcessEnvironment(wmEnv);
        endWithThisProcess(manager);
        manager.setStandardOutputFile(QProcess::nullDevice());
        manager.setStandardErrorFile(QProcess::nullDevice());
        manager.start("openbox", {"--sm-disable"});
        bool managed = false;
        for (int i = 0; i < 200 && !managed && manager.waitForStarted(10000); ++i) {
            auto* reply = xcb_get_property_reply(
                c, xcb_get_property(c, 0, screen->root, xAtom(c, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 0, 1),
                nullptr);
            managed = reply && reply->type != XCB_NONE;
            std::free(reply);
            if (!managed) QThread::msleep(25);
        }
        if (!managed) ADD_FAILURE() << "openbox did not manage the display";
#ifdef CORV_TRAY_HOST
        // A light bar at the top, a dark one at the bottom.
        trayHost.setProcessEnvironment(env);
        endWithThisProcess(trayHost);
        trayHost.start(CORV_TRAY_HOST, {trayAt == Tray::Top ? "top" : "bottom", trayAt == Tray::Top ? "e8e8e8" : "222222"});
        bool owned = false;
        for (int i = 0; i < 200 && !owned && trayHost.waitForStarted(10000); ++i) {
            auto* reply = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
            owned = reply && reply->owner != XCB_NONE;
            std::free(reply);
            if (!owned) QThread::msleep(25);
        }
        if (!owned) ADD_FAILURE() << "the tray bar did not start";
#else
        ADD_FAILURE() << "no tray bar in this build";
#endif
    } else {
        // The tray host: owns the selection and tells the clients so.
        const xcb_window_t tray = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, tray, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          screen->root_visual, 0, nullptr);
        xcb_set_selection_owner(c, tray, selection, XCB_CURRENT_TIME);
        xcb_client_message_event_t manager{};
        manager.response_type = XCB_CLIENT_MESSAGE;
        manager.format = 32;
        manager.window = screen->root;
        manager.type = xAtom(c, "MANAGER");
        manager.data.data32[0] = XCB_CURRENT_TIME;
        manager.data.data32[1] = selection;
        manager.data.data32[2] = tray;
        xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char*>(&manager));
        xcb_flush(c);
    }

    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    env.insert("CORV_XVFB_CHILD", "1");
    env.insert("QT_QPA_PLATFORM", "xcb");
    QProcess child;
    child.setProcessEnvironment(env);
    endWithThisProcess(child);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QString("--gtest_filter=%1.%2").arg(info->test_suite_name(), info->name())});
    const bool finished = child.waitForStarted(10000) && child.waitForFinished(120000);
    if (!finished) {
        child.kill();
        child.waitForFinished(10000);
    }
    const std::string output = child.readAll().toStdString();
    std::printf("---- on Xvfb ----\n%s---- end ----\n", output.c_str());
    xcb_disconnect(c);
    for (QProcess* p : {&trayHost, &manager})
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
    xvfb.terminate();
    if (!xvfb.waitForFinished(5000)) {
        xvfb.kill();
        xvfb.waitForFinished(5000);
    }
    if (!finished)
        ADD_FAILURE() << "the test on Xvfb did not end within 120 s";
    else if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        ADD_FAILURE() << "the test failed on Xvfb: status " << child.exitStatus() << ", code " << child.exitCode();
    else if (output.find("[  PASSED  ] 1 test") == std::string::npos)
        ADD_FAILURE() << "the test did not run on Xvfb";
    return false;
}

} // namespace corv::test
