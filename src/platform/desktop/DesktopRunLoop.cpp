#include "platform/desktop/DesktopRunLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <QTimerEvent>

#include <glib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <deque>
#include <fcntl.h>
#include <limits>
#include <mutex>
#include <unistd.h>
#include <utility>
#include <vector>

namespace corv::desktop {

namespace {

// Qt timers take an int of milliseconds; longer waits are made in steps.
constexpr std::int64_t kMaxStepMs = std::numeric_limits<int>::max();

// Whole milliseconds, rounded up so that nothing runs early.
std::int64_t toMs(double seconds) {
    if (!(seconds > 0)) return 0;
    const double ms = std::ceil(seconds * 1000.0);
    if (ms >= 9.0e18) return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(ms);
}

} // namespace

// Lives on the main thread: receives queued tasks and the loop's timer events.
class DesktopRunLoop::Context final : public QObject {
public:
    explicit Context(DesktopRunLoop& owner) : owner_(owner) {}

protected:
    void timerEvent(QTimerEvent* event) override { owner_.fired(event->timerId()); }

private:
    DesktopRunLoop& owner_;
};

// The posted tasks as a source of the main glib context. A pipe rather than
// an eventfd wakes it: a pipe's writer hands the CPU to the woken thread
// (a synchronous wake-up), which is what a reader thread that then waits for
// the verdict wants.
class DesktopRunLoop::Tasks {
public:
    static std::unique_ptr<Tasks> onMainContext() {
        const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        if (!dispatcher || !dispatcher->inherits("QEventDispatcherGlib")) return nullptr;
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
        return std::unique_ptr<Tasks>(new Tasks(fds[0], fds[1]));
    }

    ~Tasks() {
        g_source_destroy(&source_->base);
        g_source_unref(&source_->base);
        ::close(read_);
        ::close(write_);
    }

    void add(platform::Task task, bool wake) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            queued_.push_back(std::move(task));
            ++count_;
        }
        if (wake && !woken_.exchange(true)) {
            const char byte = 0;
            ssize_t n;
            do n = ::write(write_, &byte, 1);
            while (n < 0 && errno == EINTR);
        }
    }

private:
    struct Source {
        GSource base;
        Tasks* tasks;
    };

    Tasks(int readFd, int writeFd) : read_(readFd), write_(writeFd) {
        static GSourceFuncs funcs = {&prepare, &check, &dispatch, nullptr, nullptr, nullptr};
        source_ = reinterpret_cast<Source*>(g_source_new(&funcs, sizeof(Source)));
        source_->tasks = this;
        // A plain poll record rather than a unix fd: glib dispatches a source
        // whose unix fd is ready even when its check says no, which would
        // undo the turn it yields.
        wake_.fd = read_;
        wake_.events = G_IO_IN;
        g_source_add_poll(&source_->base, &wake_);
        // A task may spin the loop (runFor, a dialog); tasks go on running inside.
        g_source_set_can_recurse(&source_->base, TRUE);
        // Ahead of Qt's sources, whose checks are then skipped on a turn that
        // has tasks; run() yields one turn to them when tasks keep coming.
        g_source_set_priority(&source_->base, G_PRIORITY_DEFAULT - 1);
        g_source_attach(&source_->base, g_main_context_default());
    }

    static Tasks& of(GSource* source) { return *reinterpret_cast<Source*>(source)->tasks; }
    bool ready() const { return count_ > 0 || !running_.empty(); }

    static gboolean prepare(GSource* source, gint* timeout) {
        Tasks& tasks = of(source);
        *timeout = -1;
        if (tasks.yielding_) {
            *timeout = 0;
            return FALSE;
        }
        return tasks.ready();
    }
    static gboolean check(GSource* source) {
        Tasks& tasks = of(source);
        if (std::exchange(tasks.yielding_, false)) return FALSE;
        return tasks.ready() || (tasks.wake_.revents & G_IO_IN) != 0;
    }
    static gboolean dispatch(GSource* source, GSourceFunc, gpointer) {
        of(source).run();
        return G_SOURCE_CONTINUE;
    }

    // Runs the tasks queued when it starts; later ones wait for the next
    // turn. A nested run first finishes what the outer one took.
    void run() {
        std::vector<platform::Task> taken;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            taken.swap(queued_);
            count_ -= taken.size();
        }
        for (auto& task : taken) running_.push_back(std::move(task));
        for (std::size_t left = running_.size(); left > 0 && !running_.empty(); --left) {
            platform::Task task = std::move(running_.front());
            running_.pop_front();
            task();
        }
        // The pipe is emptied after the tasks ran, so that it costs them no
        // time, and before the mark, so that a post after the mark writes
        // again; a post before it is counted, and the count is read after.
        if (wake_.revents & G_IO_IN) {
            char sink[64];
            while (::read(read_, sink, sizeof sink) == static_cast<ssize_t>(sizeof sink)) {
            }
            woken_ = false;
        }
        // Tasks posted meanwhile run after the other sources had a turn.
        yielding_ = ready();
    }

    int read_, write_;
    Source* source_ = nullptr;
    GPollFD wake_{};
    std::mutex mutex_;
    std::vector<platform::Task> queued_;
    std::atomic<std::size_t> count_{0};  // queued_.size(), read without the lock
    std::atomic<bool> woken_{false};
    std::deque<platform::Task> running_;  // taken from the queue, not yet run (main thread)
    bool yielding_ = false;               // the next turn is the other sources' (main thread)
};

DesktopRunLoop::DesktopRunLoop()
    : context_(std::make_unique<Context>(*this)), tasks_(Tasks::onMainContext()) {
    clock_.start();
}

DesktopRunLoop::~DesktopRunLoop() {
    for (const auto& [qtId, id] : byQtId_) context_->killTimer(qtId);
    // Destroying the queues drops the tasks still in them.
    tasks_.reset();
    context_.reset();
}

double DesktopRunLoop::now() const { return static_cast<double>(clock_.nsecsElapsed()) / 1e9; }

void DesktopRunLoop::post(platform::Task task) {
    if (tasks_) return tasks_->add(std::move(task), false);
    QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::QueuedConnection);
}

void DesktopRunLoop::postFromAnyThread(platform::Task task) {
    if (tasks_) return tasks_->add(std::move(task), true);
    // A queued call to an object of the main thread is posted thread-safely.
    QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::QueuedConnection);
}

platform::TimerId DesktopRunLoop::postAfter(double seconds, platform::Task task) {
    return schedule(toMs(seconds), 0, std::move(task));
}

platform::TimerId DesktopRunLoop::repeating(double interval, platform::Task task) {
    // A zero period would run the task on every pass of the loop.
    const std::int64_t period = std::max<std::int64_t>(1, toMs(interval));
    return schedule(period, period, std::move(task));
}

platform::TimerId DesktopRunLoop::schedule(std::int64_t delayMs, std::int64_t intervalMs, platform::Task task) {
    const platform::TimerId id = nextId_++;
    Timer timer;
    timer.task = std::make_shared<platform::Task>(std::move(task));
    timer.intervalMs = intervalMs;
    timer.leftMs = delayMs;
    timer.repeats = intervalMs > 0;
    Timer& added = timers_.emplace(id, std::move(timer)).first->second;
    if (tasks_ && delayMs == 0 && intervalMs == 0) {
        // Due at once: in posting order with the posted tasks.
        tasks_->add([this, id] { runQueued(id); }, false);
        return id;
    }
    arm(id, added);
    return id;
}

void DesktopRunLoop::runQueued(platform::TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    std::shared_ptr<platform::Task> task = std::move(it->second.task);
    timers_.erase(it);
    (*task)();
}

void DesktopRunLoop::arm(platform::TimerId id, Timer& timer) {
    const std::int64_t step = std::min(timer.leftMs, kMaxStepMs);
    // A repeating Qt timer keeps its own period without drift, when it fits.
    timer.qtRepeats = timer.repeats && timer.leftMs <= kMaxStepMs && timer.leftMs == timer.intervalMs;
    timer.leftMs -= step;
    timer.qtId = context_->startTimer(static_cast<int>(step), Qt::PreciseTimer);
    if (timer.qtId != 0) byQtId_[timer.qtId] = id;
}

void DesktopRunLoop::cancel(platform::TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    if (it->second.qtId != 0) {
        context_->killTimer(it->second.qtId);
        byQtId_.erase(it->second.qtId);
    }
    // A task cancelling its own timer keeps running: the caller holds a reference.
    timers_.erase(it);
}

void DesktopRunLoop::fired(int qtId) {
    auto byQt = byQtId_.find(qtId);
    if (byQt == byQtId_.end()) {
        context_->killTimer(qtId);
        return;
    }
    const platform::TimerId id = byQt->second;
    auto it = timers_.find(id);
    if (it == timers_.end()) {
        context_->killTimer(qtId);
        byQtId_.erase(byQt);
        return;
    }
    Timer& timer = it->second;
    if (!timer.qtRepeats) {
        context_->killTimer(qtId);
        byQtId_.erase(byQt);
        timer.qtId = 0;
        if (timer.leftMs > 0) {
            arm(id, timer);
            return;
        }
        if (timer.repeats) {
            timer.leftMs = timer.intervalMs;
            arm(id, timer);
        }
    }
    // Rescheduled before it runs, so that the task may cancel itself.
    std::shared_ptr<platform::Task> task = timer.task;
    if (!timer.repeats) timers_.erase(it);
    (*task)();
}

void DesktopRunLoop::runFor(double seconds) {
    if (!(seconds > 0)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return;
    }
    const double deadline = now() + seconds;
    QEventLoop loop;
    QTimer stop;
    stop.setSingleShot(true);
    stop.setTimerType(Qt::PreciseTimer);
    QObject::connect(&stop, &QTimer::timeout, &loop, &QEventLoop::quit);
    // The loop may also end early (an application-wide exit); keep going to the deadline.
    for (double left = seconds; left > 0; left = deadline - now()) {
        stop.start(static_cast<int>(std::min(toMs(left), kMaxStepMs)));
        loop.exec();
    }
}

} // namespace corv::desktop
