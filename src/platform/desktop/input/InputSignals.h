#pragma once

// The signals that would leave the machine's input held by a process that no
// longer serves it. Job control is caught and does nothing (a Ctrl+Z typed
// through our own clone would stop us with every keyboard grabbed; the
// programs we start get it back); a crash lets every node
// go and destroys the uinput devices before it takes its course; SIGTERM and
// SIGINT go on to the handlers installed before, under the watchdog's bound;
// SIGCONT tells the watchdog that the process, its loop included, was stopped.
// One at a time per process; the previous actions come back at its end.

#include <csignal>

namespace corv::desktop {

class InputSignals {
public:
    InputSignals();
    ~InputSignals();
    InputSignals(const InputSignals&) = delete;
    InputSignals& operator=(const InputSignals&) = delete;

private:
    static constexpr int kCount = 9;
    struct sigaction previous_[kCount] = {};
    struct sigaction previousContinue_ = {};
    stack_t previousStack_{};
    void* stack_ = nullptr;
    bool installed_ = false;
};

} // namespace corv::desktop
