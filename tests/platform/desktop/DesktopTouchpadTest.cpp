// A faked clickpad under umockdev with the real engine: a bound gesture acts
// through the posting device and nothing of it reaches the clone; an unbound
// one reaches the clone whole, for the desktop's own gestures.

#include "engine/LiveTaps.h"
#include "engine/MultitouchDevices.h"
#include "model/Apps.h"
#include "model/ModifierMask.h"
#include "model/Shared.h"
#include "platform/desktop/DesktopPlatform.h"

#include "platform/desktop/TouchpadRecording.h"
#include "support/UmockdevInput.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

using test::InputEvent;

constexpr const char* kPad = "Fake Touchpad";
constexpr const char* kPosting = "Corvadine virtual input";
constexpr std::uint16_t kVkK = 40;

struct Pad {
    Pad() {
        DesktopLocations where{tmp.filePath("defaults.plist"), tmp.filePath("autostart")};
        desktop = std::make_unique<DesktopPlatform>(where);
        resetShared();
        Apps::shared().a.modify([](AppEntries& entries) { entries[""] = AnApp{}; });
        engine::startEngineTaps();
        EXPECT_TRUE(test::spinUntil([&] { return input.grabbed(pad); }, 5000));
        engine::startMultitouchDevices();
        settle();
    }
    ~Pad() {
        engine::stopEngineTaps();
        resetShared();
        desktop.reset();
    }
    // Sends the recording frame by frame, as the device would. A terminal
    // stands in for the node and cuts what piles up at any byte, so each frame
    // is read before the next is sent.
    void play(const std::vector<input_event>& events) {
        std::vector<InputEvent> frame;
        for (const input_event& e : events) {
            frame.push_back({e.type, e.code, e.value});
            if (e.type == EV_SYN && e.code == SYN_REPORT) {
                input.send(pad, frame);
                frame.clear();
                test::spinUntil([] { return false; }, 4);
            }
        }
        settle();
    }
    void settle() {
        std::size_t before = 0;
        do {
            before = writes();
            test::spinUntil([] { return false; }, 80);
        } while (writes() != before);
    }
    std::size_t writes() {
        std::size_t n = 0;
        for (const auto& d : input.uinputDevices()) n += d.events.size();
        return n;
    }

    test::Testbed bed;
    test::InputTestbed input{bed};
    std::string pad = input.addDevice(test::fakeTouchpad(kPad));
    QTemporaryDir tmp;
    std::unique_ptr<DesktopPlatform> desktop;
};

TEST(DesktopTouchpad, ABoundSwipeActsAndNeverReachesTheCloneAnUnboundOneReachesItWhole) {
    if (!test::runningUnderUmockdev()) return;
    test::TouchpadRecording rec;
    rec.stroke(test::fingersAround(3, 50, 35, 8), -30, 0, 0, 300);

    Pad s;
    // Unbound: the desktop's own three-finger swipe reaches the clone
    // unchanged (the slot selections the clone already has left out).
    s.play(rec.events());
    const auto withoutSlots = [](const std::vector<InputEvent>& events) {
        std::vector<InputEvent> out;
        for (const auto& e : test::significant(events))
            if (!(e.type == EV_ABS && e.code == ABS_MT_SLOT)) out.push_back(e);
        return out;
    };
    std::vector<InputEvent> sent;
    for (const input_event& e : rec.events()) sent.push_back({e.type, e.code, e.value});
    EXPECT_EQ(withoutSlots(s.input.written(kPad)), withoutSlots(sent));
    EXPECT_TRUE(test::significant(s.input.written(kPosting)).empty());

    // Bound to Command+K: the combination once, nothing more on the clone.
    BindAction b;
    b.isHotkey = true;
    b.hotkeyMod = 0x100000;
    b.hotkeyKey = kVkK;
    Apps::shared().a.modify([&](AppEntries& e) { e[""].ges[3][ActGes::Swipe][0][ActDir::Left] = b; });
    const std::size_t cloneBefore = s.input.written(kPad).size();
    s.play(rec.events());
    EXPECT_EQ(s.input.written(kPad).size(), cloneBefore);
    const std::vector<InputEvent> combo{{EV_KEY, KEY_LEFTMETA, 1}, {EV_KEY, KEY_K, 1}, {EV_KEY, KEY_K, 0},
                                        {EV_KEY, KEY_LEFTMETA, 0}};
    EXPECT_EQ(test::significant(s.input.written(kPosting)), combo);
}

} // namespace
} // namespace corv::desktop
