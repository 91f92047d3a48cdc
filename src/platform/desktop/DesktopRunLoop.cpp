#include "platform/desktop/DesktopRunLoop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QTimer>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>
#include <limits>

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

DesktopRunLoop::DesktopRunLoop() : context_(std::make_unique<Context>(*this)) { clock_.start(); }

DesktopRunLoop::~DesktopRunLoop() {
    for (const auto& [qtId, id] : byQtId_) context_->killTimer(qtId);
    // Destroying the context drops the tasks still queued for it.
    context_.reset();
}

double DesktopRunLoop::now() const { return static_cast<double>(clock_.nsecsElapsed()) / 1e9; }

void DesktopRunLoop::post(platform::Task task) {
    QMetaObject::invokeMethod(context_.get(), std::move(task), Qt::QueuedConnection);
}

void DesktopRunLoop::postFromAnyThread(platform::Task task) {
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
    arm(id, timers_.emplace(id, std::move(timer)).first->second);
    return id;
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
