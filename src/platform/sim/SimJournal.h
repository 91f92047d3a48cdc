#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace corv::sim {

// The order in which the program reached into the simulated machine: taps
// switched, HID managers and clients opened, devices started. Any thread.
class SimJournal {
public:
    void note(std::string call) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(std::move(call));
    }
    std::vector<std::string> calls() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

} // namespace corv::sim
