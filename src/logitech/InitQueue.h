#pragma once

// The device initialisation queue: receivers and keyboards are brought up one
// at a time, each attempt 0.2 s after it is chosen, a failed one retried
// 0.2 s later, at most 5 attempts per enqueue. All queue state lives on the
// main thread.

#include "platform/RunLoop.h"

#include <array>
#include <cstdint>

namespace corv::logitech {

struct InitQueue {
    int i = 0;  // into Dongles.d when isDongle, else into the keyboard lists
    bool waiting = false;
    int retryCount = 0;
    bool isDongle = true;
    bool isMouse = false;
};

inline constexpr std::size_t kInitQueueSlots = 16;
inline constexpr int kInitAttempts = 5;
inline constexpr double kInitAttemptDelay = 0.2;
inline constexpr double kInitRetryDelay = 0.2;

struct InitQueueState {
    static InitQueueState& shared();
    InitQueueState() = default;
    ~InitQueueState();
    InitQueueState(const InitQueueState&) = delete;
    InitQueueState& operator=(const InitQueueState&) = delete;

    std::array<InitQueue, kInitQueueSlots> initQueue{};
    bool initQueueBusy = false;
    int initQueueCurrent = -1;
    int initQueueResult = 0;
    // Advanced by every attempt and by cancel-all: a finish of an older
    // attempt is ignored.
    std::uint64_t generation = 0;
    platform::TimerId pendingAttempt = 0;
};

void initQueueEnqueue(int index, bool isDongle);
void initQueueStep();
void initQueueFinish();
void initQueueRetry();
void initQueueContinue();
void initQueueCancelAll();
bool initQueueBusy();

} // namespace corv::logitech
