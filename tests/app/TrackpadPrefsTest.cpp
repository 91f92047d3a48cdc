#include "ShellFixture.h"

#include "app/TrackpadPrefs.h"
#include "model/UIState.h"

namespace corv::app {
namespace {

constexpr const char* kFirst = "com.apple.AppleMultitouchTrackpad";
constexpr const char* kSecond = "com.apple.driver.AppleBluetoothMultitouch.trackpad";
const std::string kPrefs = "/Users/user/Library/Preferences/";

class TrackpadPrefsTest : public test::ShellTest {
protected:
    // Counts the re-reads by the publications of tap to click.
    void countReloads() {
        sub_ = UIState::shared().tapToClick.subscribe([this](const bool&) { ++reloads; });
    }
    int reloads = 0;

private:
    Subscription sub_;
};

TEST_F(TrackpadPrefsTest, LaunchReadsThePreferencesAndWatchesTheFolder) {
    sim->preferences.set(kFirst, "Clicking", true);
    sim->preferences.set(platform::kGlobalDomain, "TrackpadThreeFingerDrag", std::int64_t{1});
    sim->preferences.set(platform::kAnyApplication, "com.apple.swipescrolldirection", false);
    launch();
    EXPECT_TRUE(UIState::shared().tapToClick.get());
    EXPECT_TRUE(UIState::shared().ThreefingerDrag.get());
    // Before version 27 natural scrolling is never read.
    EXPECT_TRUE(UIState::shared().naturalScroll.get());
    EXPECT_TRUE(sim->preferences.syncs.empty());
    ASSERT_EQ(sim->fileEvents.streams.size(), 1u);
    EXPECT_EQ(sim->fileEvents.streams[0]->folders, std::vector<std::string>{"/Users/user/Library/Preferences"});
    EXPECT_EQ(sim->fileEvents.streams[0]->latency, 0.5);
    EXPECT_TRUE(sim->fileEvents.streams[0]->started);
}

TEST_F(TrackpadPrefsTest, ABurstOfChangesGivesOneReload) {
    launch();
    countReloads();
    sim->preferences.set(kFirst, "Clicking", true);
    sim->fileEvents.change({kPrefs + "com.other.app.plist", kPrefs + kFirst + ".plist", kPrefs + kSecond + ".plist"});
    sim->runLoop.advance(0.005);
    sim->fileEvents.change({kPrefs + ".GlobalPreferences.plist", kPrefs + kFirst + ".plist"});
    sim->runLoop.advance(0.009);
    EXPECT_EQ(reloads, 0);
    sim->runLoop.advance(0.001);
    EXPECT_EQ(reloads, 1);
    EXPECT_TRUE(UIState::shared().tapToClick.get());
    sim->runLoop.advance(1);
    EXPECT_EQ(reloads, 1);

    // Unrelated files schedule nothing.
    sim->fileEvents.change({kPrefs + "com.other.app.plist", kPrefs + kFirst + ".plist.lock"});
    sim->runLoop.advance(1);
    EXPECT_EQ(reloads, 1);
}

TEST_F(TrackpadPrefsTest, TheFirstDomainWithABooleanOrIntegerDecides) {
    // An integer 1 in the first domain reads as true.
    sim->preferences.set(kFirst, "Clicking", std::int64_t{1});
    sim->preferences.set(kSecond, "Clicking", false);
    EXPECT_TRUE(readTrackpadBoolPref("Clicking"));
    // A string there lets the second domain decide.
    sim->preferences.set(kFirst, "Clicking", std::string("1"));
    EXPECT_FALSE(readTrackpadBoolPref("Clicking"));
    sim->preferences.set(kSecond, "Clicking", std::int64_t{7});
    EXPECT_TRUE(readTrackpadBoolPref("Clicking"));
    // Absent everywhere reads as false.
    EXPECT_FALSE(readTrackpadBoolPref("TrackpadThreeFingerDrag"));
}

TEST_F(TrackpadPrefsTest, NaturalScrollFromVersion27IsTrueUnlessSaidOtherwise) {
    sim->preferences.version = {27, 0, 0};
    EXPECT_TRUE(readNaturalScrollPref());
    EXPECT_EQ(sim->preferences.syncs, std::vector<std::string>{platform::kAnyApplication});
    sim->preferences.set(platform::kAnyApplication, "com.apple.swipescrolldirection", std::string("no"));
    EXPECT_TRUE(readNaturalScrollPref());
    sim->preferences.set(platform::kAnyApplication, "com.apple.swipescrolldirection", std::int64_t{0});
    EXPECT_FALSE(readNaturalScrollPref());
    launch();
    EXPECT_FALSE(UIState::shared().naturalScroll.get());
}

TEST_F(TrackpadPrefsTest, ASystemStoreIsReadWhateverTheVersionAndItsBurstsGiveOneReload) {
    sim->preferences.library.reset();
    sim->preferences.ownStore = true;
    sim->preferences.set(kFirst, "Clicking", true);
    sim->preferences.set(platform::kAnyApplication, "com.apple.swipescrolldirection", false);
    launch();
    EXPECT_TRUE(UIState::shared().tapToClick.get());
    EXPECT_FALSE(UIState::shared().naturalScroll.get());
    ASSERT_TRUE(sim->preferences.storeChanged);
    EXPECT_TRUE(sim->fileEvents.streams.empty());

    countReloads();
    sim->preferences.set(kFirst, "Clicking", false);
    sim->preferences.storeChanged();
    sim->runLoop.advance(0.005);
    sim->preferences.storeChanged();
    sim->runLoop.advance(0.009);
    EXPECT_EQ(reloads, 0);
    sim->runLoop.advance(0.001);
    EXPECT_EQ(reloads, 1);
    EXPECT_FALSE(UIState::shared().tapToClick.get());
    sim->runLoop.advance(1);
    EXPECT_EQ(reloads, 1);
}

TEST_F(TrackpadPrefsTest, NoLibraryOrNoStreamMeansReadOnceOnly) {
    sim->preferences.library.reset();
    sim->preferences.set(kFirst, "Clicking", true);
    launch();
    EXPECT_TRUE(UIState::shared().tapToClick.get());
    EXPECT_TRUE(sim->fileEvents.streams.empty());
    EXPECT_EQ(TrackpadPrefWatch::shared().prefFileMonitor, nullptr);
}

} // namespace
} // namespace corv::app
