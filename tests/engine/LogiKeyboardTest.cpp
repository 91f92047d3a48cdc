#include "KeyboardInput.h"
#include "LogiKeyboardInput.h"

#include "engine/KeyboardHidManager.h"
#include "engine/LogiKeyActions.h"
#include "engine/ModClick.h"
#include "logitech/InitQueue.h"
#include "logitech/LogiHooks.h"
#include "logitech/LogiKeybs.h"
#include "model/ActionTable.h"
#include "model/LogiKeysOpt.h"

namespace corv::test {
namespace {

using logitech::LogiKeybsNoUI;
using logitech::LogiKeybsUI;
using Route = sim::SimEventSystem::Route;

constexpr std::uint8_t kDivertIndex = 9;
constexpr std::uint16_t kControl = 212;
constexpr std::uint16_t kOtherControl = 0xE3;

LogiKeyOpt optionsNamed(const DeviceName& name) {
    LogiKeyOpt o;
    o.name = name;
    return o;
}

class LogiKeyboardTest : public EngineTest {
protected:
    LogiKeyboardTest() {
        // The device layer hands the diverted-keys events of a known keyboard on.
        logitech::LogiHooks::shared().keyboardReport = [](int k, const std::uint8_t* report, std::size_t length) {
            if (report[2] == kDivertIndex && report[3] == 0)
                engine::performLogiKeyActions(k, LogiKeybsUI::shared().k.get()[static_cast<std::size_t>(k)].optIndex,
                                              report, length);
        };
    }

    static void bindControl(const DeviceName& keyboard, std::uint16_t control, const BindAction& b,
                            std::uint64_t mask = 0) {
        LogiKeysOpt::shared().k.modify([&](std::vector<LogiKeyOpt>& list) {
            auto it = std::find_if(list.begin(), list.end(), [&](const LogiKeyOpt& o) { return o.name == keyboard; });
            if (it == list.end()) it = list.insert(list.end(), optionsNamed(keyboard));
            it->key[control][mask] = b;
        });
    }
    static BindAction hotkey(std::uint64_t mods, std::uint16_t key) {
        BindAction b;
        b.isHotkey = true;
        b.hotkeyMod = mods;
        b.hotkeyKey = key;
        return b;
    }

    std::shared_ptr<sim::SimHidDevice> plugIn(const KeyboardDevice& kb) {
        auto d = makeKeyboard(*sim, kb);
        sim->hidDevices.attach(d);
        settle();
        return d;
    }

    void expectPosted(std::uint32_t type, std::int64_t code, std::uint64_t flags) {
        ASSERT_FALSE(sim->events.posted.empty());
        const auto p = sim->events.takePosted();
        EXPECT_EQ(p.route, Route::Session);
        EXPECT_EQ(p.event.type(), type);
        EXPECT_EQ(p.event.integerField(9), code);
        EXPECT_EQ(p.event.flags(), flags);
    }
    bool nothingPosted() const { return sim->events.posted.empty(); }

    const DeviceName logiName{kLogiUsbKeyboard.product, kLogiUsbKeyboard.maker};
};

TEST_F(LogiKeyboardTest, DirectKeyboardTakesASlotAndItsDivertedKeysPerformTheirBindings) {
    bindControl(logiName, kControl, hotkey(flag::Command, key::Space));
    engine::startKeyboardHidManager();
    auto kb = plugIn(kLogiUsbKeyboard);

    const auto& slot = LogiKeybsNoUI::shared().k.get()[0];
    EXPECT_TRUE(slot.valid);
    EXPECT_EQ(slot.dev, kb);
    EXPECT_EQ(slot.usbIndex, 0xFF);
    EXPECT_TRUE(LogiKeybsUI::shared().k.get()[0].valid);
    EXPECT_EQ(LogiKeybsUI::shared().k.get()[0].name, logiName);
    EXPECT_EQ(LogiKeybsUI::shared().k.get()[0].optIndex, 0);
    EXPECT_FALSE(LogiKeybsNoUI::shared().k.get()[1].valid);
    const auto& queue = logitech::InitQueueState::shared().initQueue;
    EXPECT_TRUE(queue[0].waiting);
    EXPECT_EQ(queue[0].i, 0);
    EXPECT_FALSE(queue[0].isDongle);
    EXPECT_FALSE(queue[1].waiting);
    EXPECT_TRUE(kb->hasInputValueHandler());

    // The report arrives on one turn: the modifiers first, the key on the next turn.
    kb->sendInput(divertedKeysReport(kDivertIndex, {kControl}));
    turn();
    expectPosted(12, 55, flag::Command);
    EXPECT_TRUE(nothingPosted());
    EXPECT_EQ(slot.keyState, std::set<std::uint16_t>{kControl});
    turn();
    expectPosted(10, key::Space, flag::Command);
    EXPECT_TRUE(nothingPosted());

    kb->sendInput(divertedKeysReport(kDivertIndex, {}));
    turn();
    expectPosted(11, key::Space, flag::Command);
    EXPECT_TRUE(nothingPosted());
    turn();
    expectPosted(12, 55, flag::NonCoalesced);
    EXPECT_TRUE(nothingPosted());
    settle();
    EXPECT_TRUE(slot.keyState.empty());

    // Unplugged while the control is held: released first, then the slot is free.
    kb->sendInput(divertedKeysReport(kDivertIndex, {kControl}));
    settle();
    sim->events.clearLogs();
    sim->hidDevices.detach(kb);
    settle();
    expectPosted(11, key::Space, flag::Command);
    expectPosted(12, 55, flag::NonCoalesced);
    EXPECT_TRUE(nothingPosted());
    EXPECT_FALSE(LogiKeybsNoUI::shared().k.get()[0].valid);
    EXPECT_EQ(LogiKeybsNoUI::shared().k.get()[0].dev, nullptr);
    EXPECT_FALSE(LogiKeybsUI::shared().k.get()[0].valid);
    EXPECT_EQ(LogiKeybsUI::shared().k.get()[0].optIndex, -1);
    EXPECT_FALSE(kb->hasInputValueHandler());
}

TEST_F(LogiKeyboardTest, AFifthKeyboardGetsNoSlotAndAReceiverIsNoKeyboard) {
    LogiKeybsNoUI::shared().k.modify([](logitech::LogiKeybNoUIList& l) {
        for (auto& s : l) s.valid = true;
    });
    engine::startKeyboardHidManager();
    auto fifth = plugIn(kLogiUsbKeyboard);
    EXPECT_TRUE(fifth->hasInputReportHandler());
    for (const auto& s : LogiKeybsNoUI::shared().k.get()) EXPECT_EQ(s.dev, nullptr);
    EXPECT_FALSE(LogiKeybsUI::shared().k.get()[0].valid);
    EXPECT_FALSE(logitech::InitQueueState::shared().initQueue[0].waiting);

    // The Bolt receiver's own id is in the keyboard list too.
    LogiKeybsNoUI::shared().k.set({});
    KeyboardDevice bolt = kLogiUsbKeyboard;
    bolt.product = "USB Receiver";
    bolt.productId = 0xC548;
    auto receiver = plugIn(bolt);
    EXPECT_TRUE(receiver->hasInputValueHandler());
    EXPECT_FALSE(receiver->hasInputReportHandler());
    EXPECT_FALSE(LogiKeybsNoUI::shared().k.get()[0].valid);
    EXPECT_FALSE(logitech::InitQueueState::shared().initQueue[0].waiting);
}

TEST_F(LogiKeyboardTest, WhichDevicesGetValuesAndWhichBecomeLogitechKeyboards) {
    engine::startKeyboardHidManager();
    // No keyboard usage among its pairs: no values, whatever its primary usage.
    KeyboardDevice pairsWithout = kAppleUsbKeyboard;
    pairsWithout.usages = {{1, 2}};
    auto a = makeKeyboard(*sim, pairsWithout);
    // Without a transport: values only with the keyboard as primary usage.
    KeyboardDevice noTransport = kAppleUsbKeyboard;
    noTransport.transport.clear();
    noTransport.usages = {{1, 2}, {1, 6}};
    auto b = makeKeyboard(*sim, noTransport);
    auto c = makeKeyboard(*sim, noTransport, false);
    // A Logitech Bluetooth keyboard outside the list but within 0xB300-0xB3FF.
    KeyboardDevice mx = kLogiUsbKeyboard;
    mx.transport = "Bluetooth";
    mx.productId = 0xB3FE;
    auto d = makeKeyboard(*sim, mx);
    // A Logitech keyboard without a vendor page.
    KeyboardDevice plain = kLogiUsbKeyboard;
    plain.usages = {{1, 6}};
    auto e = makeKeyboard(*sim, plain);
    for (const auto& dev : {a, b, c, d, e}) sim->hidDevices.attach(dev);
    settle();
    EXPECT_FALSE(a->hasInputValueHandler());
    EXPECT_TRUE(b->hasInputValueHandler());
    EXPECT_FALSE(c->hasInputValueHandler());
    EXPECT_TRUE(d->hasInputReportHandler());
    EXPECT_EQ(LogiKeybsNoUI::shared().k.get()[0].dev, d);
    EXPECT_TRUE(e->hasInputValueHandler());
    EXPECT_FALSE(e->hasInputReportHandler());
    EXPECT_FALSE(LogiKeybsNoUI::shared().k.get()[1].valid);

    // Stopping closes the manager; starting again reports the keyboards again.
    engine::stopKeyboardHidManager();
    EXPECT_EQ(sim->hidDevices.managersOpen(), 0);
    engine::startKeyboardHidManager();
    EXPECT_EQ(sim->hidDevices.managersOpen(), 1);
}

class LogiKeyActionsTest : public LogiKeyboardTest {
protected:
    // Keyboard 0 with stored options 0.
    LogiKeyActionsTest() {
        LogiKeysOpt::shared().k.set({optionsNamed(logiName)});
        LogiKeybsUI::shared().k.modify([](logitech::LogiKeybUIList& l) { l[0].optIndex = 0; });
    }
    void report(std::initializer_list<std::uint16_t> held, int options = 0) {
        const Bytes r = divertedKeysReport(kDivertIndex, held);
        engine::performLogiKeyActions(0, options, r.data(), r.size());
        settle();
    }
    static const std::set<std::uint16_t>& keyState() { return LogiKeybsNoUI::shared().k.get()[0].keyState; }
};

TEST_F(LogiKeyActionsTest, HeldControlsAreDecodedFromTheReport) {
    const Bytes r = divertedKeysReport(kDivertIndex, {0x34, kControl, kControl, 0x0102});
    EXPECT_EQ(engine::heldLogiControls(r.data(), r.size()), (std::set<std::uint16_t>{kControl, 0x0102}));
    EXPECT_EQ(engine::heldLogiControls(r.data(), 8), std::set<std::uint16_t>{kControl});
    EXPECT_TRUE(engine::heldLogiControls(nullptr, 20).empty());
}

TEST_F(LogiKeyActionsTest, NoReportIsReadPastItsEndWhateverItsLength) {
    const std::uint16_t ids[] = {kControl, kOtherControl, 0x0102, 0x0103};
    const Bytes r = divertedKeysReport(kDivertIndex, {ids[0], ids[1], ids[2], ids[3]});
    for (std::size_t n = 0; n <= r.size(); ++n) {
        std::set<std::uint16_t> whole;  // the controls whose two bytes lie within n
        for (std::size_t s = 0; s < 4; ++s)
            if (engine::kHeldControlsAt + 2 * s + 1 < n) whole.insert(ids[s]);
        EXPECT_EQ(engine::heldLogiControls(r.data(), n), whole) << n << " bytes";
    }
    // A report cut after the first byte of the second control, in a buffer of its own.
    bindControl(logiName, kOtherControl, hotkey(0, key::K));
    const Bytes cut(r.begin(), r.begin() + 7);
    engine::performLogiKeyActions(0, 0, cut.data(), cut.size());
    settle();
    EXPECT_EQ(keyState(), std::set<std::uint16_t>{kControl});
    EXPECT_TRUE(nothingPosted());
}

TEST_F(LogiKeyActionsTest, AControlLeftIsReleasedBeforeAControlJoinedIsPressed) {
    bindControl(logiName, kControl, hotkey(0, key::C));
    bindControl(logiName, kOtherControl, hotkey(0, key::K));
    report({kControl});
    expectPosted(10, key::C, 0);
    report({kOtherControl});
    expectPosted(11, key::C, 0);
    expectPosted(10, key::K, 0);
    EXPECT_TRUE(nothingPosted());
}

TEST_F(LogiKeyActionsTest, ActionsPressOnceAndReleaseWithTheHeldModifiers) {
    bindControl(logiName, kControl, BindAction::forAction(ActionId::MediaNext));
    BindAction cmdClick = BindAction::forAction(ActionId::ModClicks);
    cmdClick.hotkeyMod = flag::Command;
    cmdClick.hotkeyKey = 2;
    bindControl(logiName, kOtherControl, cmdClick);
    bindControl(logiName, 0x55, hotkey(0, key::C), 0x10);
    sim->windowServer.cursor = {30, 40};

    report({kControl, 0x55});
    const auto next = sim->events.takePosted();
    EXPECT_EQ(next.event.type(), 14u);
    EXPECT_EQ(next.event.systemData().data1, (17 << 16) | 0xA00);
    EXPECT_EQ(sim->events.takePosted().event.systemData().data1, (17 << 16) | 0xB00);
    EXPECT_TRUE(nothingPosted()) << "a binding under another mask is never performed";
    // Still held: no repeat.
    report({kControl, 0x55});
    EXPECT_TRUE(nothingPosted());

    report({kOtherControl});
    expectPosted(12, 55, flag::Command);
    const auto down = sim->events.takePosted().event;
    EXPECT_EQ(down.type(), 3u);
    EXPECT_EQ(down.location(), (platform::Point{30, 40}));
    EXPECT_TRUE(nothingPosted());
    report({});
    const auto up = sim->events.takePosted().event;
    EXPECT_EQ(up.type(), 4u);
    EXPECT_EQ(up.integerField(3), 1);
    EXPECT_EQ(up.flags(), flag::Command);
    expectPosted(12, 55, flag::NonCoalesced);
    EXPECT_TRUE(nothingPosted());
    EXPECT_EQ(engine::HeldClick::shared().heldMouseDragType, 0u);
}

TEST_F(LogiKeyActionsTest, ModifierOnlyClicksAnnounceAndReleaseThroughTheMarker) {
    BindAction cmd = BindAction::forAction(ActionId::ModClicks);
    cmd.hotkeyMod = flag::Command;
    cmd.hotkeyKey = 0;
    bindControl(logiName, kControl, cmd);
    report({kControl});
    report({});
    EXPECT_EQ(sim->hid.takePost().eventFlags, flag::Command);
    EXPECT_EQ(sim->hid.takePost().eventFlags, 0u);
    EXPECT_TRUE(sim->hid.posts.empty());
}

TEST_F(LogiKeyActionsTest, AnOptionsIndexOutOfRangePerformsNothingButTracksTheKeys) {
    bindControl(logiName, kControl, hotkey(flag::Command, key::Space));
    report({kControl}, 3);
    report({kControl}, -1);
    EXPECT_TRUE(nothingPosted());
    EXPECT_EQ(keyState(), std::set<std::uint16_t>{kControl});
    report({}, 7);
    EXPECT_TRUE(nothingPosted());
    EXPECT_TRUE(keyState().empty());
}

TEST_F(LogiKeyActionsTest, ReleasingHeldKeysNeedsStoredOptions) {
    bindControl(logiName, kControl, hotkey(0, key::C));
    report({kControl});
    expectPosted(10, key::C, 0);
    LogiKeybsUI::shared().k.modify([](logitech::LogiKeybUIList& l) { l[0].optIndex = -1; });
    engine::releaseHeldLogiKeys(0);
    settle();
    EXPECT_TRUE(nothingPosted());
    EXPECT_TRUE(keyState().empty());

    LogiKeybsUI::shared().k.modify([](logitech::LogiKeybUIList& l) { l[0].optIndex = 0; });
    report({kControl});
    sim->events.clearLogs();
    engine::releaseHeldLogiKeys(0);
    settle();
    expectPosted(11, key::C, 0);
    EXPECT_TRUE(nothingPosted());
    engine::releaseHeldLogiKeys(4);
}

} // namespace
} // namespace corv::test
