#pragma once

#include "engine/EngineTaps.h"
#include "support/SimFixture.h"

namespace corv::test {

class EngineTest : public SimTest {
protected:
    void enableEngineTaps() {
        engine::setTapEnabled(engine::gestureTap());
        engine::setTapEnabled(engine::clickTap());
        engine::setTapEnabled(engine::keyTap());
    }

    // What the key tap's callback has been handed, oldest first.
    sim::SimEventSystem::Received nextAtKeyTap() { return sim->events.takeReceived(engine::keyTap().tap); }
    bool keyTapSawNothingMore() { return sim->events.received(engine::keyTap().tap).empty(); }

    // A probe that runs on the main queue after what is queued now.
    void onNextTurn(std::function<void()> probe) { sim->runLoop.post(std::move(probe)); }

    // One pass of the main run loop: what is queued now, posted events included.
    void turn() { sim->runLoop.runFor(0); }
    // Turns the main run loop until nothing due now is left.
    void settle() { sim->runLoop.runPending(); }
};

} // namespace corv::test
