#include "platform/TapChain.h"

#include "platform/sim/SimRunLoop.h"

#include <gtest/gtest.h>

namespace corv::platform {
namespace {

TEST(TapChain, OnlyLiveTapsAskForTypesAndOnlyActiveOnesJudge) {
    sim::SimRunLoop loop;
    TapChain chain(loop);
    int changes = 0;
    chain.onChange = [&] { ++changes; };
    auto pass = [](TapProxy, std::uint32_t, Event e) -> std::optional<Event> { return e; };
    auto keys = chain.createTap(TapLocation::Session, TapPlacement::TailAppend, TapOptions::Default, 0x1C00, pass);
    auto listen = chain.createTap(TapLocation::Hid, TapPlacement::TailAppend, TapOptions::ListenOnly, 0x6, pass);
    EXPECT_EQ(chain.wantedTypes(), 0u);
    for (auto tap : {keys, listen}) {
        chain.setEnabled(tap, true);
        EXPECT_EQ(chain.wantedTypes() & (tap == keys ? 0x1C00 : 0x6), 0u) << "enabled, source not on the loop";
        chain.addToMainLoop(chain.createRunLoopSource(tap));
    }
    EXPECT_EQ(chain.wantedTypes(), 0x1C06u);
    EXPECT_EQ(chain.judgesOf(10), std::vector<EventTapId>{keys});
    EXPECT_TRUE(chain.judgesOf(1).empty());
    EXPECT_TRUE(chain.judgesOf(0xFFFFFFFE).empty());
    const int before = changes;
    chain.sendNotice(keys, eventType::TapDisabledByTimeout);
    EXPECT_GT(changes, before);
    EXPECT_EQ(chain.wantedTypes(), 0x6u);
}

} // namespace
} // namespace corv::platform
