#pragma once

// Processes a test starts for itself.

#include <QProcess>

#include <csignal>
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

} // namespace corv::test
