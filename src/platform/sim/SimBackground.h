#pragma once

#include "platform/Background.h"

#include <deque>

namespace corv::sim {

// Background work waits until the test runs it, on a thread of its own.
class SimBackground final : public platform::Background {
public:
    void run(platform::Task task) override { tasks_.push_back(std::move(task)); }

    // Runs the waiting tasks, and those they add, on one new thread; returns
    // when it has ended.
    void runAll();
    std::size_t pendingCount() const { return tasks_.size(); }

private:
    std::deque<platform::Task> tasks_;
};

} // namespace corv::sim
