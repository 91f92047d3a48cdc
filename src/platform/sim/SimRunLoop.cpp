#include "platform/sim/SimRunLoop.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace corv::sim {

namespace {
// Due times stay below this, so a due time plus an interval cannot overflow.
constexpr std::int64_t kMaxTicks = std::numeric_limits<std::int64_t>::max() / 2;
} // namespace

SimRunLoop::Ticks SimRunLoop::toTicks(double seconds) {
    if (!(seconds > 0)) return 0;
    if (seconds >= static_cast<double>(kMaxTicks) / 1e9) return kMaxTicks;
    return std::llround(seconds * 1e9);
}

// now + delay, held below overflow.
SimRunLoop::Ticks SimRunLoop::later(Ticks delay) const {
    return delay >= kMaxTicks - now_ ? kMaxTicks : now_ + delay;
}

platform::TimerId SimRunLoop::schedule(Ticks due, platform::Task task, Ticks interval) {
    platform::TimerId id = nextId_++;
    queue_.emplace(Key{due, seq_++}, Entry{id, std::move(task), interval});
    return id;
}

void SimRunLoop::post(platform::Task task) { schedule(now_, std::move(task), 0); }

platform::TimerId SimRunLoop::postAfter(double seconds, platform::Task task) {
    return schedule(later(toTicks(seconds)), std::move(task), 0);
}

platform::TimerId SimRunLoop::repeating(double interval, platform::Task task) {
    // A zero interval would spin forever on a virtual clock.
    Ticks step = toTicks(interval);
    if (step == 0) step = toTicks(1e-3);
    return schedule(later(step), std::move(task), step);
}

void SimRunLoop::cancel(platform::TimerId id) {
    for (auto it = queue_.begin(); it != queue_.end(); ++it) {
        if (it->second.id == id) {
            queue_.erase(it);
            return;
        }
    }
}

void SimRunLoop::postFromAnyThread(platform::Task task) {
    std::lock_guard<std::mutex> lock(inboxMutex_);
    inbox_.push_back(std::move(task));
}

void SimRunLoop::drainInbox() {
    std::vector<platform::Task> tasks;
    {
        std::lock_guard<std::mutex> lock(inboxMutex_);
        tasks.swap(inbox_);
    }
    for (auto& t : tasks) post(std::move(t));
}

void SimRunLoop::runFor(double seconds) {
    if (toTicks(seconds) == 0)
        runOnePass();
    else
        advance(seconds);
}

void SimRunLoop::runOnePass() {
    drainInbox();
    // Entries due now sort before anything scheduled from here on.
    const std::uint64_t end = seq_;
    while (!queue_.empty() && queue_.begin()->first.first <= now_ && queue_.begin()->first.second < end) {
        auto node = queue_.extract(queue_.begin());
        Entry entry = std::move(node.mapped());
        if (entry.interval > 0)
            queue_.emplace(Key{node.key().first + entry.interval, seq_++}, Entry{entry.id, entry.task, entry.interval});
        entry.task();
    }
}

void SimRunLoop::advance(double seconds) {
    const Ticks target = later(toTicks(seconds));
    for (;;) {
        drainInbox();
        if (queue_.empty() || queue_.begin()->first.first > target) break;
        auto node = queue_.extract(queue_.begin());
        Entry entry = std::move(node.mapped());
        now_ = std::max(now_, node.key().first);
        if (entry.interval > 0) {
            // Keep the timer's id so that it can cancel itself from inside.
            queue_.emplace(Key{node.key().first + entry.interval, seq_++},
                           Entry{entry.id, entry.task, entry.interval});
        }
        entry.task();
    }
    now_ = std::max(now_, target);
}

std::size_t SimRunLoop::pendingCount() {
    drainInbox();
    return queue_.size();
}

} // namespace corv::sim
