#pragma once

// Processes a test starts for itself.

#include "support/Descendants.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <csignal>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace corv::test {

// The process ends with the test's process, even one that crashed; otherwise
// it would outlive the test, and with it the runner's hold on its output.
inline void endWithThisProcess(QProcess& process) {
    const pid_t parent = ::getpid();
    process.setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(1);
    });
}

// Signals the one process. A pid of 0 (a QProcess that is not running) or
// below would signal a whole group, the test runner's own included.
inline bool signalProcess(qint64 pid, int signal) { return pid > 0 && ::kill(static_cast<pid_t>(pid), signal) == 0; }

// Starts the program as the test's child, ending with the test. With a log
// file, its output and errors go there; otherwise where the caller's channel
// mode sends them. Whether it started.
inline bool startChild(QProcess& process, const QString& program, const QStringList& args,
                       const QProcessEnvironment& env, const QString& log = {}) {
    process.setProcessEnvironment(env);
    if (!log.isEmpty()) {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardOutputFile(log);
    }
    endWithThisProcess(process);
    process.start(program, args);
    return process.waitForStarted(10000);
}

// Ends a child, asked first, killed when it does not go; then what it
// started and left running (GNOME Shell's ibus-daemon, a bar sway started),
// whatever process group or session they took.
inline void stopChild(QProcess& process) {
    if (process.state() == QProcess::NotRunning) return;
    const std::vector<pid_t> under = descendantsOf(static_cast<pid_t>(process.processId()));
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    // With what those started while the child went.
    std::vector<pid_t> all = under;
    for (const pid_t pid : under) {
        const auto more = descendantsOf(pid);
        all.insert(all.end(), more.begin(), more.end());
    }
    HeldProcesses(all).end();
}

// The process's descriptors that a program it starts would inherit, besides
// the standard three.
inline std::vector<std::string> inheritable(qint64 pid) {
    std::vector<std::string> found;
    const QString dir = QString("/proc/%1/fdinfo").arg(pid);
    for (const QString& fd : QDir(dir).entryList(QDir::Files)) {
        QFile info(dir + "/" + fd);
        if (fd.toInt() <= 2 || !info.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : info.readAll().split('\n'))
            if (line.startsWith("flags:") && !(line.mid(6).trimmed().toUInt(nullptr, 8) & O_CLOEXEC))
                found.push_back((fd + " -> " + QFile::symLinkTarget(QString("/proc/%1/fd/%2").arg(pid).arg(fd))).toStdString());
    }
    return found;
}

} // namespace corv::test
