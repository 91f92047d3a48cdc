#include "platform/sim/SimBackground.h"

#include <thread>

namespace corv::sim {

void SimBackground::runAll() {
    // The test thread waits meanwhile, so the queue is touched by one thread at a time.
    std::thread worker([this] {
        while (!tasks_.empty()) {
            platform::Task t = std::move(tasks_.front());
            tasks_.pop_front();
            t();
        }
    });
    worker.join();
}

} // namespace corv::sim
