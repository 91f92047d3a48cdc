#include "RecorderFixture.h"

#include "model/ActionTable.h"
#include "recorders/GesBindingEdits.h"

namespace corv::test {
namespace {

using namespace recorders;

const std::string kFollower = "com.example.follower";
const std::string kLocked = "com.example.locked";
const std::string kOwn = "com.example.own";

class GesBindingEditsTest : public RecorderTest {
protected:
    static void bind(const std::string& app, std::uint64_t f, ActGes g, ActDir d, const BindAction& b) {
        Apps::shared().a.modify([&](AppEntries& all) { all[app].ges[f][g][0][d] = b; });
    }
    static void lock(const std::string& app) {
        Apps::shared().a.modify([&](AppEntries& all) { all[app].gesLock = true; });
    }
};

TEST_F(GesBindingEditsTest, RemovingAGlobalBindingReachesTheFollowersAndDropsEmptyLevels) {
    const BindAction next = action(ActionId::MediaNext);
    BindAction nextOff = next;
    nextOff.enabled = false;  // not compared
    for (const std::string& app : {std::string(), kFollower, kLocked}) bind(app, 3, ActGes::Swipe, ActDir::Up, next);
    bind(kFollower, 3, ActGes::Swipe, ActDir::Up, nextOff);
    bind(kFollower, 2, ActGes::Swipe, ActDir::Left, next);
    lock(kLocked);
    bind(kOwn, 3, ActGes::Swipe, ActDir::Up, action(ActionId::VolumeUp));
    bind("", 3, ActGes::Swipe, ActDir::Down, next);
    setEntry("com.example.empty", AnApp{});

    removeGesBinding("", 3, ActGes::Swipe, 0, ActDir::Up);
    EXPECT_EQ(entry("").ges.at(3).at(ActGes::Swipe).at(0).count(ActDir::Up), 0u);
    EXPECT_EQ(entry("").ges.at(3).at(ActGes::Swipe).at(0).size(), 1u);
    EXPECT_EQ(entry(kFollower).ges.count(3), 0u);
    EXPECT_EQ(entry(kFollower).ges.count(2), 1u);
    EXPECT_EQ(entry(kLocked).ges.at(3).at(ActGes::Swipe).at(0).at(ActDir::Up), next);
    EXPECT_EQ(entry(kOwn).ges.at(3).at(ActGes::Swipe).at(0).at(ActDir::Up), action(ActionId::VolumeUp));
    EXPECT_EQ(Apps::shared().a.get().size(), 5u);

    // The last binding of the finger count goes with all its levels; the entry stays.
    removeGesBinding("", 3, ActGes::Swipe, 0, ActDir::Down);
    EXPECT_TRUE(entry("").ges.empty());
    removeGesBinding("com.example.gone", 3, ActGes::Swipe, 0, ActDir::Down);
    EXPECT_EQ(Apps::shared().a.get().size(), 5u);
}

TEST_F(GesBindingEditsTest, AddingFollowsTheGlobalProfileBothWays) {
    const BindAction dflt = BindAction::makeDefault();
    bind("", 2, ActGes::Swipe, ActDir::Left, action(ActionId::SwipeBack));
    setEntry(kFollower, AnApp{});
    bind(kFollower, 2, ActGes::Zoom, ActDir::Spread, action(ActionId::ZoomIn));
    setEntry(kLocked, AnApp{});
    lock(kLocked);
    bind(kOwn, 3, ActGes::Swipe, ActDir::Up, action(ActionId::VolumeUp));

    // An application starts from the global binding when there is one.
    addGesBinding(kFollower, 2, ActGes::Swipe, 0, ActDir::Left, dflt);
    EXPECT_EQ(entry(kFollower).ges.at(2).at(ActGes::Swipe).at(0).at(ActDir::Left), action(ActionId::SwipeBack));
    EXPECT_EQ(entry(kFollower).ges.at(2).at(ActGes::Zoom).at(0).at(ActDir::Spread), action(ActionId::ZoomIn));
    addGesBinding(kFollower, 2, ActGes::Zoom, 0, ActDir::Pinch, dflt);
    EXPECT_EQ(entry(kFollower).ges.at(2).at(ActGes::Zoom).at(0).at(ActDir::Pinch), dflt);

    // A global binding reaches the unlocked applications that have none there.
    addGesBinding("", 3, ActGes::Swipe, 0, ActDir::Up, dflt);
    EXPECT_EQ(entry("").ges.at(3).at(ActGes::Swipe).at(0).at(ActDir::Up), dflt);
    EXPECT_EQ(entry(kFollower).ges.at(3).at(ActGes::Swipe).at(0).at(ActDir::Up), dflt);
    EXPECT_TRUE(entry(kLocked).ges.empty());
    EXPECT_EQ(entry(kOwn).ges.at(3).at(ActGes::Swipe).at(0).at(ActDir::Up), action(ActionId::VolumeUp));

    // Without the entries it works on, nothing is written or created.
    Apps::shared().a.modify([](AppEntries& all) { all.erase(""); });
    const AppEntries before = Apps::shared().a.get();
    addGesBinding(kOwn, 4, ActGes::Swipe, 0, ActDir::Up, dflt);
    addGesBinding("", 4, ActGes::Swipe, 0, ActDir::Up, dflt);
    EXPECT_EQ(Apps::shared().a.get(), before);
}

} // namespace
} // namespace corv::test
