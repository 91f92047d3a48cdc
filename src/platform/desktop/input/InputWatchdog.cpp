#include "platform/desktop/input/InputWatchdog.h"

#include "platform/desktop/input/GrabTable.h"

#include <QCoreApplication>
#include <QObject>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

namespace corv::desktop {

namespace {

std::int64_t nowNs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

// The termination request, shared with the signal handler: the signal, when
// it came, and whether the main loop took it up.
std::atomic<int> g_signal{0};
std::atomic<std::int64_t> g_requestedAt{0};
std::atomic<bool> g_takenUp{false};
// The running watchdog's wake pipe.
std::atomic<int> g_wakeFd{-1};

void takeUp() {
    if (g_signal.load() != 0) g_takenUp.store(true);
}

} // namespace

InputWatchdog::InputWatchdog(platform::RunLoop& loop, double stallBound, std::function<void()> recover)
    : loop_(loop), stallNs_(static_cast<std::int64_t>(stallBound * 1e9)), recover_(std::move(recover)),
      context_(std::make_unique<QObject>()) {
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    g_wakeFd.store(wake_[1]);
    // Leaving the main loop is taking a termination up.
    if (auto* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, context_.get(), [] { takeUp(); });
    thread_ = std::thread([this] { run(); });
}

InputWatchdog::~InputWatchdog() {
    watch(false);
    stop_ = true;
    int expected = wake_[1];
    g_wakeFd.compare_exchange_strong(expected, -1);
    wake();
    if (thread_.joinable()) thread_.join();
    for (int fd : wake_)
        if (fd >= 0) ::close(fd);
}

void InputWatchdog::watch(bool on) {
    if (on == watching_.load()) return;
    if (on) {
        lastBeatNs_ = nowNs();
        beatTimer_ = loop_.repeating(kBeatInterval, [this] { beat(); });
    } else {
        loop_.cancel(beatTimer_);
        beatTimer_ = 0;
    }
    watching_ = on;
    wake();
}

void InputWatchdog::beat() {
    lastBeatNs_ = nowNs();
    takeUp();
    if (letGo_.exchange(false) && recover_) recover_();
}

void InputWatchdog::wake() const {
    if (wake_[1] < 0) return;
    const char c = 1;
    [[maybe_unused]] auto n = ::write(wake_[1], &c, 1);
}

void InputWatchdog::terminationRequested(int signal) {
    // With nothing held the program saves and ends in its own time.
    if (g_signal.load() != 0 && !g_takenUp.load() && GrabTable::process().holdsInput()) {
        GrabTable::process().releaseAll();
        ::_exit(128 + signal);
    }
    g_takenUp.store(false);
    g_requestedAt.store(nowNs());
    g_signal.store(signal);
    if (const int fd = g_wakeFd.load(); fd >= 0) {
        const char c = 1;
        [[maybe_unused]] auto n = ::write(fd, &c, 1);
    }
}

void InputWatchdog::run() {
    // The watchdog's own oversleep: the whole process was stopped (SIGSTOP,
    // a debugger) or starved, which is no stall of the loop. Its turns are
    // counted from then.
    constexpr std::int64_t kOversleepNs = 250'000'000;
    std::int64_t resumedNs = 0;
    std::int64_t wakeDue = LLONG_MAX;
    while (!stop_) {
        const std::int64_t now = nowNs();
        if (wakeDue != LLONG_MAX && now - wakeDue > kOversleepNs) resumedNs = now;
        std::int64_t due = LLONG_MAX;
        const int signal = g_signal.load();
        // With nothing held, a slow loop may take its time over the request.
        if (signal != 0 && !g_takenUp.load() && GrabTable::process().holdsInput()) {
            const std::int64_t end = g_requestedAt.load() + static_cast<std::int64_t>(kTerminationBound * 1e9);
            if (now >= end) {
                GrabTable::process().releaseAll();
                ::_exit(128 + signal);
            }
            due = end;
        }
        if (watching_ && !letGo_) {
            const std::int64_t last = std::max(lastBeatNs_.load(), resumedNs);
            if (now - last >= stallNs_) {
                // The loop is stuck: nothing may stay held meanwhile.
                GrabTable& table = GrabTable::process();
                table.liftPosted();
                table.letGoNodes();
                releaseAfterNs_ = nowNs() - last;
                letGo_ = true;
            } else {
                due = std::min(due, last + stallNs_);
            }
        }
        const int timeout =
            due == LLONG_MAX ? -1 : static_cast<int>(std::max<std::int64_t>(0, (due - now + 999'999) / 1'000'000));
        wakeDue = due;
        pollfd p{wake_[0], POLLIN, 0};
        if (::poll(&p, 1, timeout) > 0) {
            char buf[64];
            while (::read(wake_[0], buf, sizeof buf) > 0) {
            }
        }
    }
}

} // namespace corv::desktop
