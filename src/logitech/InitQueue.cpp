#include "logitech/InitQueue.h"

#include "logitech/Dongles.h"
#include "logitech/FeatureDiscovery.h"
#include "logitech/LogiHooks.h"
#include "logitech/LogiKeybs.h"
#include "logitech/ReceiverRegisters.h"
#include "model/LogiKeysOpt.h"
#include "model/Shared.h"
#include "platform/Platform.h"

#include <algorithm>
#include <limits>

namespace corv::logitech {

namespace {

InitQueueState& q() { return InitQueueState::shared(); }

bool anyWaiting() {
    const auto& slots = q().initQueue;
    return std::any_of(slots.begin(), slots.end(), [](const InitQueue& s) { return s.waiting; });
}

// The end of an attempt: ignored when the queue has moved on since.
void attemptEnded(std::uint64_t generation, int result) {
    auto& s = q();
    if (generation != s.generation) return;
    s.initQueueResult = result;
    initQueueFinish();
}

void startAttempt(bool isDongle, int index) {
    auto& s = q();
    const std::uint64_t generation = ++s.generation;
    s.pendingAttempt = platform::runLoop().postAfter(kInitAttemptDelay, [generation, isDongle, index] {
        if (generation != q().generation) return;
        q().pendingAttempt = 0;
        auto stale = [generation] { return generation != q().generation; };
        if (isDongle) {
            const Dongle& d = Dongles::shared().d()[static_cast<std::size_t>(index)];
            if (!d.dev) return attemptEnded(generation, 0);
            hidppExchange(d.dev, d.dongleType, [generation](int r) { attemptEnded(generation, r); }, stale);
            return;
        }
        auto done = [generation](int r) { attemptEnded(generation, r); };
        if (auto& hook = LogiHooks::shared().discoverHidppFeatures) return hook(index, done);
        discoverHidppFeatures(index, done);
    });
}

// Whether a listed keyboard other than i is linked to stored options `index`.
bool linkedElsewhere(std::size_t i, int index) {
    const auto& list = LogiKeybsUI::shared().k();
    for (std::size_t n = 0; n < list.size(); ++n)
        if (n != i && list[n].valid && list[n].optIndex == index) return true;
    return false;
}

// Links keyboard i to its stored options, adding them the first time. A
// keyboard renamed since it was linked takes its entry along, so renames
// never add entries.
void linkKeyboardOptions(std::size_t i) {
    const DeviceName name = LogiKeybsUI::shared().k()[i].name;
    const int linked = LogiKeybsUI::shared().k()[i].optIndex;
    auto& opts = LogiKeysOpt::shared().k;
    int found = -1;
    for (std::size_t n = 0; n < opts().size(); ++n) {
        if (opts()[n].name == name) {
            found = static_cast<int>(n);
            break;
        }
    }
    if (found < 0 && linked >= 0 && static_cast<std::size_t>(linked) < opts().size() &&
        !linkedElsewhere(i, linked)) {
        opts.modify([&](std::vector<LogiKeyOpt>& list) { list[static_cast<std::size_t>(linked)].name = name; });
        found = linked;
    }
    if (found < 0) {
        LogiKeyOpt fresh;
        fresh.name = name;
        opts.modify([&](std::vector<LogiKeyOpt>& list) { list.push_back(fresh); });
        found = static_cast<int>(opts().size()) - 1;
    }
    LogiKeybsUI::shared().k.modify([&](LogiKeybUIList& l) {
        l[i].optIndex = found;
        l[i].battery = -1;
    });
}

} // namespace

InitQueueState& InitQueueState::shared() { return Shared<InitQueueState>::instance(); }

InitQueueState::~InitQueueState() {
    if (pendingAttempt && platform::installed()) platform::runLoop().cancel(pendingAttempt);
}

bool initQueueBusy() { return q().initQueueBusy; }

void initQueueEnqueue(int index, bool isDongle) {
    const std::size_t limit = isDongle ? kDongleCount : kKeyboardCount;
    if (index < 0 || static_cast<std::size_t>(index) >= limit) return;
    auto& s = q();
    auto free = std::find_if(s.initQueue.begin(), s.initQueue.end(), [](const InitQueue& e) { return !e.waiting; });
    if (free == s.initQueue.end()) return;
    *free = InitQueue{index, true, 0, isDongle, false};
    if (s.initQueueBusy) return;
    s.initQueueBusy = true;
    initQueueStep();
}

void initQueueStep() {
    auto& s = q();
    if (!s.initQueueBusy) return;
    s.initQueueCurrent = -1;
    int fewest = std::numeric_limits<int>::max();
    for (std::size_t n = 0; n < s.initQueue.size(); ++n) {
        if (s.initQueue[n].waiting && s.initQueue[n].retryCount < fewest) {
            fewest = s.initQueue[n].retryCount;
            s.initQueueCurrent = static_cast<int>(n);
        }
    }
    if (s.initQueueCurrent < 0) {
        s.initQueueCurrent = 0;
        s.initQueueResult = 0;
        initQueueFinish();
        return;
    }
    const InitQueue slot = s.initQueue[static_cast<std::size_t>(s.initQueueCurrent)];
    const auto i = static_cast<std::size_t>(slot.i);
    const bool valid = slot.isDongle ? Dongles::shared().d()[i].valid : LogiKeybsNoUI::shared().k()[i].valid;
    if (!valid) {
        s.initQueueResult = 0;
        initQueueFinish();
        return;
    }
    if (!slot.isDongle) linkKeyboardOptions(i);
    startAttempt(slot.isDongle, slot.i);
}

void initQueueFinish() {
    auto& s = q();
    const std::uint64_t generation = s.generation;
    auto guarded = [generation](void (*next)()) {
        return [generation, next] {
            if (generation == q().generation) next();
        };
    };
    if (s.initQueueResult == 0) {
        if (s.initQueueCurrent >= 0) s.initQueue[static_cast<std::size_t>(s.initQueueCurrent)].waiting = false;
        platform::runLoop().post(guarded(&initQueueContinue));
    } else {
        platform::runLoop().postAfter(kInitRetryDelay, guarded(&initQueueRetry));
    }
}

void initQueueRetry() {
    auto& s = q();
    if (s.initQueueCurrent < 0) return;
    auto& slot = s.initQueue[static_cast<std::size_t>(s.initQueueCurrent)];
    slot.retryCount += 1;
    if (slot.retryCount >= kInitAttempts) {
        slot.waiting = false;
        s.initQueueBusy = anyWaiting();
    } else {
        s.initQueueBusy = true;
    }
    initQueueStep();
}

void initQueueContinue() {
    q().initQueueBusy = anyWaiting();
    initQueueStep();
}

void initQueueCancelAll() {
    auto& s = q();
    for (auto& slot : s.initQueue) slot.waiting = false;
    s.initQueueBusy = false;
    ++s.generation;
    if (s.pendingAttempt) {
        platform::runLoop().cancel(s.pendingAttempt);
        s.pendingAttempt = 0;
    }
    initQueueStep();
}

} // namespace corv::logitech
