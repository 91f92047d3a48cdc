#include "EngineFixture.h"

#include "engine/CurrentApp.h"
#include "engine/Magnify.h"

namespace corv::engine {
namespace {

struct Zoom {
    std::int64_t phase;
    double value;
    bool operator==(const Zoom&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Zoom& z) { return os << "{" << z.phase << ", " << z.value << "}"; }

class MagnifyTest : public test::EngineTest {
protected:
    void SetUp() override {
        // Each raise of the window under the cursor activates this application.
        platform::RunningApplication app;
        app.pid = 77;
        currentRunningApp() = app;
        CurrentApp::shared().pid = app.pid;
        CurrentApp::shared().bundleId = "org.example.Viewer";
    }

    Zoom next() {
        const platform::Event e = sim->events.takePosted().event;
        EXPECT_EQ(e.type(), 29u);
        EXPECT_EQ(e.integerField(110), 8);
        EXPECT_EQ(e.location(), sim->windowServer.cursor);
        return {e.integerField(132), e.doubleField(113)};
    }
    bool nothingMore() const { return sim->events.posted.empty(); }
    std::size_t raises() const { return sim->workspace.activations.size(); }
};

TEST_F(MagnifyTest, ThreeZoomStepsMakeOneSequenceEndedAfterTheLast) {
    magnifyWithTimeout(0.05);
    EXPECT_EQ(next(), (Zoom{1, 0.0}));
    EXPECT_TRUE(nothingMore());
    sim->runLoop.advance(0.02);
    EXPECT_EQ(next(), (Zoom{2, 0.05}));

    sim->runLoop.advance(0.08);
    magnifyWithTimeout(0.05);
    EXPECT_EQ(next(), (Zoom{2, 0.05}));
    sim->runLoop.advance(0.1);
    magnifyWithTimeout(0.05);
    EXPECT_EQ(next(), (Zoom{2, 0.05}));

    sim->runLoop.advance(0.299);
    EXPECT_TRUE(nothingMore());
    sim->runLoop.advance(0.001);
    EXPECT_EQ(next(), (Zoom{4, 0.0}));
    EXPECT_TRUE(nothingMore());
    EXPECT_EQ(Magnify::shared().magnifyState, 0);
    EXPECT_FALSE(Magnify::shared().magnifyEndTimer);
    EXPECT_EQ(raises(), 1u);

    sim->runLoop.advance(1.0);
    EXPECT_TRUE(nothingMore());
}

TEST_F(MagnifyTest, FirstChangeFollowsTheBeganEvent) {
    postMagnifyGesture(0.2, false);
    EXPECT_EQ(next(), (Zoom{1, 0.0}));
    EXPECT_TRUE(nothingMore());
    EXPECT_EQ(raises(), 1u);
    postMagnifyGesture(0.1, false);  // before the delayed first change
    EXPECT_EQ(next(), (Zoom{2, 0.1}));
    sim->runLoop.advance(0.019);
    EXPECT_TRUE(nothingMore());
    sim->runLoop.advance(0.001);
    EXPECT_EQ(next(), (Zoom{2, 0.2}));
    EXPECT_TRUE(nothingMore());
    EXPECT_EQ(raises(), 1u);
}

TEST_F(MagnifyTest, KickAppsGetAnImmediateChangeMatchedExactly) {
    CurrentApp::shared().bundleId = "com.google.Chrome";
    postMagnifyGesture(-0.2, false);
    EXPECT_EQ(next(), (Zoom{1, 0.0}));
    EXPECT_EQ(next(), (Zoom{2, -0.3125}));
    EXPECT_TRUE(nothingMore());
    sim->runLoop.advance(0.02);
    EXPECT_EQ(next(), (Zoom{2, -0.2}));
    postMagnifyGesture(0.0, true);
    EXPECT_EQ(next(), (Zoom{4, 0.0}));

    CurrentApp::shared().bundleId = "com.adobe";
    postMagnifyGesture(0.2, false);
    EXPECT_EQ(next(), (Zoom{1, 0.0}));
    EXPECT_EQ(next(), (Zoom{2, 0.475}));
    sim->runLoop.advance(0.02);
    EXPECT_EQ(next(), (Zoom{2, 0.2}));
    postMagnifyGesture(0.0, true);
    EXPECT_EQ(next(), (Zoom{4, 0.0}));

    // Equality, not a prefix.
    CurrentApp::shared().bundleId = "com.adobe.Photoshop";
    postMagnifyGesture(0.2, false);
    EXPECT_EQ(next(), (Zoom{1, 0.0}));
    EXPECT_TRUE(nothingMore());
    EXPECT_FALSE(isMagnifyKickApp("com.google.chrome"));
}

TEST_F(MagnifyTest, LateFirstChangeIsDroppedOnceTheSequenceEnded) {
    // Ending posts even with nothing open.
    postMagnifyGesture(0.7, true);
    EXPECT_EQ(next(), (Zoom{4, 0.7}));
    EXPECT_EQ(raises(), 0u);

    // A pinch that ends before its first change is due.
    postMagnifyGesture(0.3, false);
    postMagnifyEnded();
    sim->runLoop.advance(0.05);
    EXPECT_EQ(next(), (Zoom{1, 0.0}));
    EXPECT_EQ(next(), (Zoom{4, 0.0}));
    EXPECT_TRUE(nothingMore());

    // A new sequence within the delay takes only its own first change.
    postMagnifyGesture(0.3, false);
    sim->runLoop.advance(0.01);
    postMagnifyGesture(0.0, true);
    postMagnifyGesture(-0.4, false);
    sim->runLoop.advance(0.05);
    EXPECT_EQ(next(), (Zoom{1, 0.0}));
    EXPECT_EQ(next(), (Zoom{4, 0.0}));
    EXPECT_EQ(next(), (Zoom{1, 0.0}));
    EXPECT_EQ(next(), (Zoom{2, -0.4}));
    EXPECT_TRUE(nothingMore());
}

} // namespace
} // namespace corv::engine
