#include "platform/desktop/input/InputSignals.h"

#include "platform/desktop/input/GrabTable.h"
#include "platform/desktop/input/InputWatchdog.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace corv::desktop {

namespace {

constexpr int kJobControl[] = {SIGTSTP, SIGTTIN, SIGTTOU};
constexpr int kCrashes[] = {SIGSEGV, SIGBUS, SIGFPE, SIGABRT};
constexpr int kTermination[] = {SIGTERM, SIGINT};
// A crash from a stack overflow runs its handler on a stack of its own.
constexpr std::size_t kAltStackSize = 64 * 1024;

// The actions before ours, for the termination signals to go on to.
struct sigaction g_before[2] = {};
std::atomic<bool> g_active{false};

// In place of ignoring job control: an ignored signal stays ignored in the
// programs we start, a handled one is reset to its default there.
extern "C" void onJobControl(int) {}

extern "C" void onCrash(int signal) {
    GrabTable::process().releaseAll();
    // The action is the default again: returning from a fault repeats it,
    // and a sent signal is delivered once this handler ends.
    ::raise(signal);
}

extern "C" void onTermination(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    InputWatchdog::terminationRequested(signal);
    const struct sigaction& before = g_before[signal == SIGTERM ? 0 : 1];
    if (before.sa_flags & SA_SIGINFO) {
        if (before.sa_sigaction) before.sa_sigaction(signal, info, context);
    } else if (before.sa_handler == SIG_DFL) {
        GrabTable::process().releaseAll();
        ::signal(signal, SIG_DFL);
        ::raise(signal);
    } else if (before.sa_handler != SIG_IGN && before.sa_handler) {
        before.sa_handler(signal);
    }
    errno = savedErrno;
}

extern "C" void onContinue(int) {
    const int savedErrno = errno;
    InputWatchdog::continued();
    errno = savedErrno;
}

} // namespace

InputSignals::InputSignals() {
    if (g_active.exchange(true)) return;
    installed_ = true;
    int i = 0;
    for (int s : kJobControl) {
        struct sigaction caught {};
        caught.sa_handler = &onJobControl;
        sigemptyset(&caught.sa_mask);
        // Not restarted: a background read of the terminal fails instead of
        // raising SIGTTIN again for ever.
        caught.sa_flags = s == SIGTSTP ? SA_RESTART : 0;
        ::sigaction(s, &caught, &previous_[i++]);
    }
    stack_ = std::malloc(kAltStackSize);
    if (stack_) {
        stack_t alt{};
        alt.ss_sp = stack_;
        alt.ss_size = kAltStackSize;
        ::sigaltstack(&alt, &previousStack_);
    }
    for (int s : kCrashes) {
        struct sigaction crash {};
        crash.sa_handler = &onCrash;
        sigemptyset(&crash.sa_mask);
        crash.sa_flags = SA_RESETHAND | SA_ONSTACK;
        ::sigaction(s, &crash, &previous_[i++]);
    }
    for (int s : kTermination) {
        struct sigaction term {};
        term.sa_sigaction = &onTermination;
        sigemptyset(&term.sa_mask);
        term.sa_flags = SA_SIGINFO | SA_RESTART;
        struct sigaction& before = previous_[i++];
        ::sigaction(s, &term, &before);
        g_before[s == SIGTERM ? 0 : 1] = before;
    }
    struct sigaction resume {};
    resume.sa_handler = &onContinue;
    sigemptyset(&resume.sa_mask);
    resume.sa_flags = SA_RESTART;
    ::sigaction(SIGCONT, &resume, &previousContinue_);
}

InputSignals::~InputSignals() {
    if (!installed_) return;
    int i = 0;
    for (const int* group : {kJobControl, kCrashes, kTermination}) {
        const std::size_t n = group == kJobControl ? std::size(kJobControl)
                              : group == kCrashes  ? std::size(kCrashes)
                                                   : std::size(kTermination);
        for (std::size_t k = 0; k < n; ++k) ::sigaction(group[k], &previous_[i++], nullptr);
    }
    ::sigaction(SIGCONT, &previousContinue_, nullptr);
    if (stack_) {
        ::sigaltstack(&previousStack_, nullptr);
        std::free(stack_);
    }
    g_active = false;
}

} // namespace corv::desktop
