#pragma once

#include "model/Shared.h"
#include "platform/sim/SimPlatform.h"

#include <gtest/gtest.h>

#include <memory>

namespace corv::test {

// A fresh simulated machine and fresh shared instances for every test.
class SimTest : public ::testing::Test {
protected:
    SimTest() : sim(std::make_unique<sim::SimPlatform>()) { resetShared(); }
    ~SimTest() override {
        resetShared();
        sim.reset();
    }

    std::unique_ptr<sim::SimPlatform> sim;
};

} // namespace corv::test
