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
// When the process was last continued after a stop.
std::atomic<std::int64_t> g_continuedAt{0};
// The running watchdog's wake pipe.
std::atomic<int> g_wakeFd{-1};

void wakeFromSignal() {
    if (const int fd = g_wakeFd.load(); fd >= 0) {
        const char c = 1;
        [[maybe_unused]] auto n = ::write(fd, &c, 1);
    }
}

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
    holding_ = false;
    loop_.cancel(beatTimer_);
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
    watching_ = on;
    wake();
}

void InputWatchdog::holding(bool on) {
    if (on == holding_.load()) return;
    holding_ = on;
    if (!on) return;  // the beat ends itself at its next tick
    lastBeatNs_ = nowNs();
    // Chords in quick succession share one beat.
    if (beatTimer_ == 0) beatTimer_ = loop_.repeating(kBeatInterval, [this] { beat(); });
    if (!armed_.exchange(true)) wake();
}

void InputWatchdog::handedOver() {
    if (pending_.load() == 0) owedSinceNs_.store(nowNs());
    pending_.fetch_add(1);
    if (!armed_.exchange(true)) wake();
}

void InputWatchdog::claimed() {
    owedSinceNs_.store(nowNs());
    pending_.fetch_sub(1);
    takeUp();
    if (letGo_.load()) recoverLater();
}

void InputWatchdog::beat() {
    if (!holding_.load()) {
        loop_.cancel(beatTimer_);
        beatTimer_ = 0;
    }
    lastBeatNs_ = nowNs();
    takeUp();
    if (letGo_.load()) recoverLater();
}

void InputWatchdog::recoverLater() {
    // On a turn of its own: the devices are let go and taken again outside
    // whatever the loop is doing now.
    if (recoverQueued_) return;
    recoverQueued_ = true;
    std::weak_ptr<bool> alive = alive_;
    loop_.post([this, alive] {
        if (!alive.lock()) return;
        recoverQueued_ = false;
        if (letGo_.exchange(false) && recover_) recover_();
    });
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
    wakeFromSignal();
}

void InputWatchdog::continued() {
    g_continuedAt.store(nowNs());
    wakeFromSignal();
}

void InputWatchdog::run() {
    // A wait that ends this much past its due time means the watchdog itself
    // did not run: the process was stopped (SIGSTOP, a debugger) or starved,
    // and the loop with it. Once per stall, the loop then gets a whole bound
    // from now; a continue after a stop always does.
    constexpr std::int64_t kLateNs = 2'000'000;
    std::int64_t resumedNs = 0;
    std::int64_t continuedSeen = g_continuedAt.load();
    std::int64_t requestSeen = 0;
    std::int64_t wakeDue = LLONG_MAX;
    bool graced = false;
    std::weak_ptr<bool> alive = alive_;
    while (!stop_) {
        const std::int64_t now = nowNs();
        const bool late = wakeDue != LLONG_MAX && now - wakeDue > kLateNs;
        if (const std::int64_t c = g_continuedAt.load(); c != continuedSeen) {
            continuedSeen = c;
            resumedNs = std::max(resumedNs, c);
        }
        std::int64_t due = LLONG_MAX;
        const int signal = g_signal.load();
        if (signal != 0 && !g_takenUp.load()) {
            // The loop takes the request up at its next turn.
            if (const std::int64_t at = g_requestedAt.load(); at != requestSeen) {
                requestSeen = at;
                loop_.postFromAnyThread([alive] {
                    if (alive.lock()) takeUp();
                });
            }
            // With nothing held, a slow loop may take its time over the request.
            if (GrabTable::process().holdsInput()) {
                const std::int64_t end = g_requestedAt.load() + static_cast<std::int64_t>(kTerminationBound * 1e9);
                if (now >= end) {
                    GrabTable::process().releaseAll();
                    ::_exit(128 + signal);
                }
                due = end;
            }
        }
        if (watching_ && !letGo_) {
            armed_ = true;
            std::int64_t owed = LLONG_MAX;  // since when the loop owes a turn
            if (pending_.load() > 0) owed = owedSinceNs_.load();
            if (holding_.load()) owed = std::min(owed, lastBeatNs_.load());
            if (owed == LLONG_MAX) {
                graced = false;
                armed_ = false;
                // A hand-over that came meanwhile saw the thread armed.
                if (pending_.load() > 0) continue;
            } else {
                if (owed >= resumedNs) graced = false;
                std::int64_t last = std::max(owed, resumedNs);
                if (now - last >= stallNs_ && late && !graced) {
                    graced = true;
                    resumedNs = last = now;
                }
                if (now - last >= stallNs_) {
                    // The loop is stuck: nothing may stay held meanwhile.
                    GrabTable& table = GrabTable::process();
                    table.liftPosted();
                    table.letGoNodes();
                    letGo_ = true;
                } else {
                    due = std::min(due, last + stallNs_);
                }
            }
        } else {
            armed_ = false;
        }
        wakeDue = due;
        timespec timeout{};
        if (due != LLONG_MAX) {
            const std::int64_t left = std::max<std::int64_t>(0, due - now);
            timeout.tv_sec = static_cast<time_t>(left / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(left % 1'000'000'000);
        }
        pollfd p{wake_[0], POLLIN, 0};
        if (::ppoll(&p, 1, due == LLONG_MAX ? nullptr : &timeout, nullptr) > 0) {
            char buf[64];
            while (::read(wake_[0], buf, sizeof buf) > 0) {
            }
            wakeDue = LLONG_MAX;  // woken early, not late
        }
    }
}

} // namespace corv::desktop
