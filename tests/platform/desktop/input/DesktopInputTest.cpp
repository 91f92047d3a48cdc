// Real input on the desktop, over keyboards and mice faked with umockdev and a
// faked /dev/uinput: what the devices send passes the tap chain and the
// engine, and what comes out is read back from the uinput devices the program
// made (one clone per device, one posting device).

#include "app/CorvadineApp.h"
#include "engine/EngineTaps.h"
#include "engine/LiveTaps.h"
#include "model/ActionTable.h"
#include "model/Apps.h"
#include "model/ClickIds.h"
#include "model/ModifierMask.h"
#include "model/Shared.h"
#include "platform/Localization.h"
#include "platform/Platform.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/desktop/input/GrabTable.h"
#include "recorders/CaptureTaps.h"

#include "platform/desktop/input/InputScene.h"
#include "support/UmockdevInput.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <thread>

namespace corv::desktop {
namespace {

using test::InputEvent;
using test::keyEvent;
using test::relEvent;
using test::spinUntil;

constexpr const char* kKeyboard = "Fake Keyboard";
constexpr const char* kMouse = "Fake Mouse";
constexpr const char* kPosting = "Corvadine virtual input";
constexpr std::uint16_t kVkA = 0, kVkB = 11, kVkC = 8, kVkD = 2, kVkJ = 38, kVkK = 40, kVkControl = 59;

// Keys as (evdev code, value) pairs; one frame each.
using Keys = std::vector<InputEvent>;
Keys down(std::uint16_t code) { return {keyEvent(code, 1)}; }
Keys tap(std::uint16_t code) { return {keyEvent(code, 1), keyEvent(code, 0)}; }
Keys operator+(Keys a, const Keys& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Keys only(const std::vector<InputEvent>& events, std::uint16_t type) {
    Keys out;
    for (const auto& e : events)
        if (e.type == type) out.push_back(e);
    return out;
}

// The keys a device holds down after its events, by code.
std::set<std::uint16_t> heldAfter(const Keys& events) {
    std::set<std::uint16_t> held;
    for (const auto& e : events) {
        if (e.type != EV_KEY) continue;
        if (e.value) held.insert(e.code);
        else held.erase(e.code);
    }
    return held;
}

// What the desktop makes of all the uinput devices together, in the order
// they were written: the faults it would suffer, and the modifiers down as
// each posted key went down.
struct DesktopView {
    std::vector<std::string> faults;
    std::vector<std::set<std::uint16_t>> modifiersAtPostedKeys;
    std::set<std::uint16_t> heldAtEnd;
};
bool isModifier(std::uint16_t code) {
    const std::set<std::uint16_t> modifiers{KEY_LEFTCTRL, KEY_RIGHTCTRL, KEY_LEFTSHIFT, KEY_RIGHTSHIFT,
                                            KEY_LEFTALT,  KEY_RIGHTALT,  KEY_LEFTMETA,  KEY_RIGHTMETA};
    return modifiers.count(code) != 0;
}
DesktopView viewOf(const std::vector<test::UinputDevice>& devices, const std::string& posting) {
    struct Written {
        std::chrono::steady_clock::time_point at;
        std::size_t device;
        InputEvent event;
    };
    std::vector<Written> all;
    for (std::size_t d = 0; d < devices.size(); ++d)
        for (std::size_t i = 0; i < devices[d].events.size(); ++i)
            if (devices[d].events[i].type == EV_KEY ||
                (devices[d].events[i].type == EV_REL && devices[d].name == posting))
                all.push_back({devices[d].writtenAt[i], d, devices[d].events[i]});
    std::stable_sort(all.begin(), all.end(), [](const Written& a, const Written& b) { return a.at < b.at; });
    DesktopView view;
    std::map<std::size_t, std::set<std::uint16_t>> down;
    std::map<std::uint16_t, bool> lone;  // a modifier down with no key since
    // An up of a modifier other devices hold ends it for the desktop: fine
    // only when their ups follow at once.
    std::optional<std::uint16_t> ending;
    auto ended = [&] {
        if (!ending) return;
        for (const auto& [d, codes] : down)
            if (codes.count(*ending)) view.faults.push_back("up of " + std::to_string(*ending) + " another device holds");
        ending.reset();
    };
    for (const auto& w : all) {
        const std::uint16_t code = w.event.code;
        if (w.event.type == EV_REL) {  // a modified wheel: no lone modifier
            for (auto& [c, l] : lone) l = false;
            continue;
        }
        if (w.event.value == 2) continue;
        if (ending && !(w.event.value == 0 && code == *ending)) ended();
        if (w.event.value == 1) {
            if (isModifier(code)) {
                // Two modifiers alone (Alt+Shift, Ctrl+Shift) switch the layout.
                bool key = false;
                std::optional<std::uint16_t> other;
                for (const auto& [d, codes] : down)
                    for (std::uint16_t c : codes) {
                        if (!isModifier(c)) key = true;
                        else if (d != w.device && c != code) other = c;
                    }
                if (other && !key)
                    view.faults.push_back(std::to_string(code) + " down beside " + std::to_string(*other) + " alone");
            }
            down[w.device].insert(code);
            if (isModifier(code)) {
                lone[code] = true;
                continue;
            }
            for (auto& [c, l] : lone) l = false;
            if (devices[w.device].name != posting || code == KEY_UNKNOWN) continue;
            std::set<std::uint16_t> mods;
            for (const auto& [d, codes] : down)
                for (std::uint16_t c : codes)
                    if (isModifier(c)) mods.insert(c);
            view.modifiersAtPostedKeys.push_back(mods);
            continue;
        }
        down[w.device].erase(code);
        if (!isModifier(code)) continue;
        for (const auto& [d, codes] : down)
            if (codes.count(code)) ending = code;
        if (lone[code]) view.faults.push_back("lone tap of " + std::to_string(code));
        lone[code] = false;
    }
    ended();
    // A destroyed device's keys are up.
    for (const auto& [d, codes] : down)
        if (!devices[d].destroyed) view.heldAtEnd.insert(codes.begin(), codes.end());
    return view;
}

// A substitution of one key (page 7 usage) by another.
platform::HidPropertyDict mapping(std::uint32_t from, std::uint32_t to) {
    return {{"HIDKeyboardModifierMappingSrc", std::int64_t{0x700000000} | from},
            {"HIDKeyboardModifierMappingDst", std::int64_t{0x700000000} | to}};
}
const platform::HidPropertyDict kCapsToControl = mapping(0x39, 0xE0);
const platform::HidPropertyDict kAltToControl = mapping(0xE2, 0xE0);

// A key tap on the main loop, switched on.
platform::EventTapId liveTap(platform::TapLocation where, platform::TapPlacement placement,
                             platform::TapOptions options, platform::TapCallback callback) {
    auto& taps = platform::eventTaps();
    const auto tap = taps.createTap(where, placement, options, engine::kKeyTapMask, std::move(callback));
    taps.addToMainLoop(taps.createRunLoopSource(tap));
    taps.setEnabled(tap, true);
    return tap;
}

BindAction shortcut(std::uint64_t flags, std::uint16_t vk) {
    BindAction b;
    b.isHotkey = true;
    b.hotkeyMod = flags;
    b.hotkeyKey = vk;
    return b;
}

// A desktop with one faked keyboard and mouse. With `engineOn` the engine's
// taps are live and the devices taken.
class Scene : public InputScene {
public:
    explicit Scene(bool engineOn = true, double bound = test::kQuietVerdictBound, std::int64_t backlog = 256,
                   const std::string& uinputNode = "/dev/uinput") {
        start(engineOn, [&](DesktopLocations& where) {
            where.input.verdictBound = bound;
            where.input.backlog = backlog;
            where.input.uinputNode = uinputNode;
        });
        if (!engineOn) return;
        EXPECT_TRUE(spinUntil([&] { return input.grabbed(keyboard) && input.grabbed(mouse); }, 5000));
        // The clones' uevents are read before a test sends more: umockdev
        // aborts when a monitor's queue (ten messages) is full.
        settle();
    }
    DesktopInput& in() { return desktop->eventTaps.input; }
    static void bind(std::uint16_t vk, std::uint64_t mask, const BindAction& b) {
        Apps::shared().a.modify([&](AppEntries& e) { e[""].key[vk][mask] = b; });
    }
    static void unbind(std::uint16_t vk) {
        Apps::shared().a.modify([&](AppEntries& e) { e[""].key.erase(vk); });
    }
    void type(const std::string& node, const Keys& keys) {
        for (const auto& k : keys) {
            input.send(node, {{EV_MSC, MSC_SCAN, k.code}, k});
            settle();
        }
    }
    Keys clone(const std::string& name = kKeyboard) { return input.written(name); }
    Keys posted() { return input.written(kPosting); }
    // Plugs in another keyboard and waits until it is taken.
    std::string addKeyboard(const std::string& name, std::set<std::uint16_t> lit = {}) {
        auto keyboard = test::fakeKeyboard(name, 0xC32B);
        keyboard.leds = std::move(lit);
        const auto node = input.addDevice(keyboard, true);
        EXPECT_TRUE(spinUntil([&] { return input.grabbed(node); }, 5000));
        settle();
        return node;
    }
    // Waits with the main loop held until the keyboard's clone shows `done`.
    bool cloneWhileHeld(const std::function<bool(const Keys&)>& done, int ms) {
        return input.waitHeld(
            [&](const std::vector<test::UinputDevice>& made) {
                for (const auto& d : made)
                    if (d.name == kKeyboard && done(test::significant(d.events))) return true;
                return false;
            },
            ms);
    }
    // The keyboard's service on the HID side.
    static platform::HidService hidKeyboard() {
        auto& hid = platform::hidEventSystem();
        const platform::HidClient client = hid.createClient();
        hid.setMatching(client, {{"PrimaryUsagePage", std::int64_t{1}}, {"PrimaryUsage", std::int64_t{6}}});
        const auto services = hid.copyServices(client);
        EXPECT_TRUE(services && services->size() == 1u);
        return services && !services->empty() ? services->front() : platform::HidService{};
    }

    std::string keyboard = input.addDevice(test::fakeKeyboard(kKeyboard));
    std::string mouse = input.addDevice(test::fakeMouse(kMouse));
};

TEST(DesktopInput, BoundKeysActAndUnboundKeysReachTheCloneUnchangedInOrder) {
    if (!test::runningUnderUmockdev()) return;
    Scene s;
    s.bind(kVkA, ModMask::Command, BindAction::forAction(ActionId::MediaPlayPause));

    // Super+A: A never reaches the clone; Super passes; play/pause once.
    s.type(s.keyboard, down(KEY_LEFTMETA) + tap(KEY_A) + Keys{keyEvent(KEY_LEFTMETA, 0)});
    EXPECT_EQ(s.clone(), tap(KEY_LEFTMETA));
    EXPECT_EQ(s.posted(), tap(KEY_PLAYPAUSE));

    // Unbound keys, overlapping, and A without Super.
    const Keys typed = down(KEY_B) + down(KEY_C) + Keys{keyEvent(KEY_B, 0)} + tap(KEY_A) +
                       Keys{keyEvent(KEY_C, 0)} + tap(KEY_LEFTSHIFT);
    s.type(s.keyboard, typed);
    EXPECT_EQ(s.clone(), tap(KEY_LEFTMETA) + typed);
    EXPECT_EQ(s.posted(), tap(KEY_PLAYPAUSE));

    // A key whose down passed gets its up on the clone though a binding came
    // in between; a swallowed down swallows its up though the binding went.
    s.type(s.keyboard, down(KEY_D));
    s.bind(kVkD, 0, BindAction::forAction(ActionId::MediaNext));
    s.type(s.keyboard, {keyEvent(KEY_D, 0)});
    EXPECT_EQ(s.clone(), tap(KEY_LEFTMETA) + typed + tap(KEY_D));
    s.type(s.keyboard, down(KEY_D));
    s.unbind(kVkD);
    s.type(s.keyboard, {keyEvent(KEY_D, 0)});
    EXPECT_EQ(s.clone(), tap(KEY_LEFTMETA) + typed + tap(KEY_D));
    EXPECT_EQ(s.posted(), tap(KEY_PLAYPAUSE) + tap(KEY_NEXTSONG));

    // The program never takes its own devices: one clone each, one posting device.
    auto grabbed = s.input.everGrabbed();
    std::sort(grabbed.begin(), grabbed.end());
    EXPECT_EQ(grabbed, (std::vector<std::string>{s.keyboard, s.mouse}));
    std::vector<std::string> made;
    for (const auto& d : s.input.uinputDevices()) made.push_back(d.name);
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made, (std::vector<std::string>{kPosting, kKeyboard, kMouse}));
}

TEST(DesktopInput, KeysNoTapCouldWantPassWhileTheMainThreadIsHeldOthersAreAskedAtOnce) {
    if (!test::runningUnderUmockdev()) return;
    // The bound exceeds the waits below: a key that was asked never passes
    // for want of a verdict.
    Scene s(true, 0.4);
    s.bind(kVkA, ModMask::Command, BindAction::forAction(ActionId::MediaPlayPause));
    const auto& counters = s.in().counters();
    // Presses the key with the main thread held; whether its down reached
    // the clone meanwhile; then lets the loop run and the key go up.
    auto pressHeld = [&](std::uint16_t code) {
        const std::size_t before = s.clone().size();
        s.input.send(s.keyboard, {{EV_MSC, MSC_SCAN, code}, keyEvent(code, 1)});
        const bool passed = s.cloneWhileHeld([&](const Keys& k) { return k.size() > before; }, 200);
        s.settle();
        s.type(s.keyboard, {keyEvent(code, 0)});
        return passed;
    };
    struct Case {
        const char* what;
        std::function<void()> before;
        std::uint16_t code;
        bool onReader;
        std::function<void()> after;
    };
    const std::vector<Case> cases = {
        {"an unbound key", {}, KEY_B, true, {}},
        {"a key bound under a modifier", {}, KEY_A, false, {}},
        {"a modifier", {}, KEY_LEFTSHIFT, false, {}},
        {"a key just bound", [] { Scene::bind(kVkB, 0, shortcut(0, kVkC)); }, KEY_B, false,
         [] { Scene::unbind(kVkB); }},
        {"the key unbound again", {}, KEY_B, true, {}},
        {"a key while a key recorder captures", [] { recorders::switchKeyRecorderTap(true); }, KEY_D, false,
         [] { recorders::switchKeyRecorderTap(false); }},
        {"that key once it stopped", {}, KEY_D, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.before) c.before();
        const auto asked = counters.toMain.load();
        EXPECT_EQ(pressHeld(c.code), c.onReader);
        EXPECT_EQ(counters.toMain.load() == asked, c.onReader);
        if (c.after) c.after();
    }
    EXPECT_EQ(counters.timedOut.load(), 0u);
    // The recorder keeps the key it captured.
    EXPECT_EQ(s.clone(), tap(KEY_B) + tap(KEY_A) + tap(KEY_LEFTSHIFT) + tap(KEY_B) + tap(KEY_D));
    EXPECT_EQ(s.posted(), tap(KEY_C));

    // A key a binding took is asked until it is up, though the binding went:
    // what it pressed is let go.
    Scene::bind(kVkB, 0, shortcut(0, kVkC));
    s.type(s.keyboard, down(KEY_B));
    Scene::unbind(kVkB);
    s.type(s.keyboard, {keyEvent(KEY_B, 0)});
    EXPECT_EQ(s.posted(), tap(KEY_C) + tap(KEY_C));
    EXPECT_EQ(s.clone().size(), 10u);
}

// A key no tap watches, pressed with a key whose binding holds a modifier (a
// modified click without a button), reaches the desktop after that modifier
// though the main thread is busy meanwhile: it waits behind what the binding
// posted, as every key did when every key was asked.
TEST(DesktopInput, AKeyPressedWithAModifierBindingComesAfterItsModifier) {
    if (!test::runningUnderUmockdev()) return;
    Scene s(true, 0.4);
    BindAction modifier = BindAction::forAction(ActionId::ModClicks);
    modifier.hotkeyMod = EventFlag::Command;  // and no button
    s.bind(kVkK, 0, modifier);
    // Behind the binding's posts the main thread is held until the clone gets a key, or for 200 ms.
    const auto busy = liveTap(platform::TapLocation::Session, platform::TapPlacement::HeadInsert,
                              platform::TapOptions::ListenOnly, [&](platform::TapProxy, std::uint32_t type, platform::Event e) {
                                  if (type == platform::eventType::KeyDown)
                                      platform::runLoop().post(
                                          [&] { s.cloneWhileHeld([](const Keys& k) { return !k.empty(); }, 200); });
                                  return std::optional<platform::Event>(e);
                              });
    platform::eventTaps().setKeyFilter(busy, std::vector<std::uint16_t>{kVkK});

    s.input.send(s.keyboard, {keyEvent(KEY_K, 1), keyEvent(KEY_B, 1)});
    s.settle();
    const auto posting = s.input.uinputDevice(kPosting), clone = s.input.uinputDevice(kKeyboard);
    ASSERT_TRUE(posting && clone);
    const auto firstKeyAt = [](const test::UinputDevice& d) {
        auto key = std::find_if(d.events.begin(), d.events.end(), [](const InputEvent& e) { return e.type == EV_KEY; });
        return key == d.events.end() ? std::chrono::steady_clock::time_point::max()
                                     : d.writtenAt[static_cast<std::size_t>(key - d.events.begin())];
    };
    EXPECT_EQ(s.posted(), down(KEY_LEFTMETA));
    EXPECT_EQ(s.clone(), down(KEY_B));
    EXPECT_LT(firstKeyAt(*posting), firstKeyAt(*clone));
    s.input.send(s.keyboard, {keyEvent(KEY_B, 0), keyEvent(KEY_K, 0)});
    s.settle();
}

TEST(DesktopInput, ModClicksAndSubstitutionPostExactly) {
    if (!test::runningUnderUmockdev()) return;
    Scene s;
    BindAction click = BindAction::forAction(ActionId::ModClicks);
    click.hotkeyMod = EventFlag::Command;
    click.hotkeyKey = ClickId::Left;
    s.bind(kVkK, 0, click);
    s.type(s.keyboard, tap(KEY_K));
    EXPECT_EQ(only(s.input.uinputDevice(kPosting)->events, EV_KEY),
              (Keys{keyEvent(KEY_LEFTMETA, 1), keyEvent(BTN_LEFT, 1), keyEvent(BTN_LEFT, 0),
                    keyEvent(KEY_LEFTMETA, 0)}));
    EXPECT_TRUE(s.clone().empty());

    // Caps Lock becomes Left Control before the chain: the key tap and the
    // clone see Control, with the keyboard's service as the sender.
    auto& hid = platform::hidEventSystem();
    const platform::HidService keyboard = Scene::hidKeyboard();
    EXPECT_EQ(hid.copyProperty(keyboard, "Product"), platform::HidProperty(std::string(kKeyboard)));
    EXPECT_EQ(hid.copyProperty(keyboard, "VendorID"), platform::HidProperty(std::int64_t{0x046D}));
    ASSERT_TRUE(hid.setProperty(keyboard, "UserKeyMapping", platform::HidPropertyArray{kCapsToControl}));

    std::vector<platform::Event> seen;
    const auto spy = liveTap(platform::TapLocation::Hid, platform::TapPlacement::HeadInsert,
                             platform::TapOptions::ListenOnly, [&](platform::TapProxy, std::uint32_t, platform::Event e) {
                                 seen.push_back(e);
                                 return std::optional<platform::Event>(e);
                             });
    s.type(s.keyboard, tap(KEY_CAPSLOCK) + tap(KEY_B));
    EXPECT_EQ(s.clone(), tap(KEY_LEFTCTRL) + tap(KEY_B));
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].integerField(9), kVkControl);
    EXPECT_NE(seen[0].flags() & EventFlag::Control, 0u);
    EXPECT_EQ(seen[1].flags() & EventFlag::Control, 0u);
    EXPECT_EQ(seen[2].integerField(9), kVkB);
    EXPECT_EQ(static_cast<platform::HidService>(seen[2].integerField(87)), keyboard);

    // An empty mapping gives Caps Lock back.
    ASSERT_TRUE(hid.setProperty(keyboard, "UserKeyMapping", platform::HidPropertyArray{}));
    s.type(s.keyboard, tap(KEY_CAPSLOCK));
    EXPECT_EQ(s.clone(), tap(KEY_LEFTCTRL) + tap(KEY_B) + tap(KEY_CAPSLOCK));
    platform::eventTaps().setEnabled(spy, false);
}

TEST(DesktopInput, BackForwardAndZoomKeysPostTheirClickOrControlWheelAndLeaveNothingDown) {
    if (!test::runningUnderUmockdev()) return;
    using test::synReport;
    const Keys ctrlDown{keyEvent(KEY_LEFTCTRL, 1), synReport()}, ctrlUp{keyEvent(KEY_LEFTCTRL, 0), synReport()};
    const auto notch = [](int sign) {
        return Keys{relEvent(REL_WHEEL, sign), relEvent(REL_WHEEL_HI_RES, 120 * sign), synReport()};
    };
    const auto click = [](std::uint16_t button) {
        return Keys{keyEvent(button, 1), synReport(), keyEvent(button, 0), synReport()};
    };
    const struct Case {
        const char* what;
        std::int64_t action;
        std::uint64_t mask;  // the binding's modifiers, held on the keyboard
        int presses;         // of the bound key, at once
        Keys posted;         // with its frames
        bool unplug = false; // the keyboard goes before the sequence ends
    } cases[] = {
        {"Swipe Back", ActionId::SwipeBack, 0, 1, click(BTN_SIDE)},
        {"Swipe Forward", ActionId::SwipeForward, 0, 1, click(BTN_EXTRA)},
        {"Zoom In", ActionId::ZoomIn, 0, 1, ctrlDown + notch(1) + ctrlUp},
        {"Zoom Out", ActionId::ZoomOut, 0, 1, ctrlDown + notch(-1) + ctrlUp},
        // 0.15: the first step's notch, the third's; one Control around them.
        {"Zoom In three times", ActionId::ZoomIn, 0, 3, ctrlDown + notch(1) + notch(1) + ctrlUp},
        // The user's own Control serves, and stays down until the user lets go.
        {"Control+key Zoom Out", ActionId::ZoomOut, ModMask::Control, 1, notch(-1)},
        {"Zoom In, keyboard unplugged", ActionId::ZoomIn, 0, 1, ctrlDown + notch(1) + ctrlUp, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Scene s;
        s.bind(kVkK, c.mask, BindAction::forAction(c.action));
        if (c.mask) s.type(s.keyboard, down(KEY_LEFTCTRL));
        for (int i = 0; i < c.presses; ++i)
            s.input.send(s.keyboard, {{EV_MSC, MSC_SCAN, KEY_K}, keyEvent(KEY_K, 1), {EV_MSC, MSC_SCAN, KEY_K},
                                      keyEvent(KEY_K, 0)});
        if (c.unplug) {
            ASSERT_TRUE(spinUntil([&] { return !only(s.posted(), EV_REL).empty(); }, 2000));
            s.input.unplug(s.keyboard);
        }
        s.settle(400);
        if (c.mask) {
            EXPECT_EQ(viewOf(s.input.uinputDevices(), kPosting).heldAtEnd, std::set<std::uint16_t>{KEY_LEFTCTRL});
            s.type(s.keyboard, Keys{keyEvent(KEY_LEFTCTRL, 0)});
        }
        if (c.mask) EXPECT_EQ(s.posted(), test::significant(c.posted));
        else EXPECT_EQ(s.input.uinputDevice(kPosting)->events, c.posted);
        const DesktopView view = viewOf(s.input.uinputDevices(), kPosting);
        EXPECT_EQ(view.faults, std::vector<std::string>{});
        EXPECT_EQ(view.heldAtEnd, std::set<std::uint16_t>{});
    }
}

TEST(DesktopInput, AHeldMainThreadLetsTheKeyPassAndTheTapGetsTheTimeOutNotice) {
    if (!test::runningUnderUmockdev()) return;
    Scene s(false, 0.040);
    auto& taps = platform::eventTaps();
    int notices = 0;
    std::vector<std::uint32_t> types;
    platform::EventTapId timed = 0;
    timed = liveTap(platform::TapLocation::Session, platform::TapPlacement::TailAppend, platform::TapOptions::Default,
                    [&](platform::TapProxy, std::uint32_t type, platform::Event e) {
                        if (type == platform::eventType::TapDisabledByTimeout) {
                            ++notices;
                            taps.setEnabled(timed, true);  // as the engine does
                        } else {
                            types.push_back(type);
                        }
                        return std::optional<platform::Event>(e);
                    });
    ASSERT_TRUE(spinUntil([&] { return s.input.grabbed(s.keyboard); }, 5000));
    s.settle();

    // The main thread waits here without running its loop.
    s.input.press(s.keyboard, KEY_B);
    EXPECT_TRUE(s.cloneWhileHeld([](const Keys& k) { return k == down(KEY_B); }, 2000));
    EXPECT_EQ(s.in().counters().timedOut.load(), 1u);
    s.settle();
    EXPECT_EQ(notices, 1);
    EXPECT_TRUE(taps.isEnabled(timed));
    EXPECT_EQ(s.clone(), down(KEY_B));  // not written twice

    // Enabled again, the tap sees keys in time (however busy the machine);
    // the up of the key that went by unjudged follows its down without asking.
    s.in().setVerdictBound(test::kQuietVerdictBound);
    types.clear();
    s.type(s.keyboard, Keys{keyEvent(KEY_B, 0)} + tap(KEY_C));
    EXPECT_EQ(s.clone(), tap(KEY_B) + tap(KEY_C));
    EXPECT_EQ(types, (std::vector<std::uint32_t>{10, 11}));
    EXPECT_EQ(notices, 1);
    taps.setEnabled(timed, false);
}

// The main thread takes the key up in time, then its taps outlast the bound:
// the binding the key tap stored is ended by the key's up, and the key never
// reaches the clone.
TEST(DesktopInput, AKeyTheMainThreadTookInTimeIsJudgedHoweverLongItsTapsTake) {
    if (!test::runningUnderUmockdev()) return;
    // A bound a busy machine's main thread keeps to, and taps that outlast it.
    Scene s(true, 0.5);
    s.bind(kVkA, 0, shortcut(EventFlag::Control, kVkC));
    const auto slow = liveTap(platform::TapLocation::Hid, platform::TapPlacement::HeadInsert,
                              platform::TapOptions::ListenOnly, [&](platform::TapProxy, std::uint32_t type, platform::Event e) {
                                  if (type == platform::eventType::KeyDown) s.input.waitHeld([](const auto&) { return false; }, 700);
                                  return std::optional<platform::Event>(e);
                              });
    s.type(s.keyboard, tap(KEY_A) + tap(KEY_A));
    EXPECT_EQ(s.clone(), Keys{});
    const Keys chord{keyEvent(KEY_LEFTCTRL, 1), keyEvent(KEY_C, 1), keyEvent(KEY_C, 0), keyEvent(KEY_LEFTCTRL, 0)};
    EXPECT_EQ(s.posted(), chord + chord);
    EXPECT_EQ(s.in().counters().timedOut.load(), 0u);
    platform::eventTaps().setEnabled(slow, false);
}

TEST(DesktopInput, AMainThreadFarBehindGetsABoundedBacklogAndOneNoticeForTheRest) {
    if (!test::runningUnderUmockdev()) return;
    constexpr std::int64_t kBacklog = 8;
    Scene s(false, 0.020, kBacklog);
    int notices = 0;
    const auto judge = liveTap(platform::TapLocation::Session, platform::TapPlacement::TailAppend,
                               platform::TapOptions::Default, [&](platform::TapProxy, std::uint32_t type, platform::Event e) {
                                   if (type == platform::eventType::TapDisabledByTimeout) ++notices;
                                   return std::optional<platform::Event>(e);
                               });
    ASSERT_TRUE(spinUntil([&] { return s.input.grabbed(s.keyboard); }, 5000));
    s.settle();

    // The main thread does not turn while 20 keys are typed.
    constexpr std::size_t kTaps = 20;
    const std::uint16_t keys[] = {KEY_Q, KEY_W, KEY_E, KEY_R};
    Keys typed;
    for (std::size_t i = 0; i < kTaps; ++i) typed = typed + tap(keys[i % 4]);
    std::thread typist([&] {
        for (const auto& k : typed) s.input.send(s.keyboard, {k});
    });
    EXPECT_TRUE(s.cloneWhileHeld([&](const Keys& k) { return k.size() == typed.size(); }, 20000));
    typist.join();
    EXPECT_LE(s.in().counters().toMain.load(), kBacklog + 1u);
    EXPECT_GT(s.in().counters().skipped.load(), 0u);
    s.settle();
    EXPECT_EQ(s.clone(), typed);
    EXPECT_GE(notices, 1);
    platform::eventTaps().setEnabled(judge, false);
}

TEST(DesktopInput, PointerMotionNoTapWantsNeverWaitsForTheMainThread) {
    if (!test::runningUnderUmockdev()) return;
    Scene s;
    struct Case {
        std::vector<InputEvent> frame;
        bool wanted;  // a live tap asks for it
    };
    const Case cases[] = {
        {{relEvent(REL_X, 3), relEvent(REL_Y, -2)}, false},
        {{relEvent(REL_WHEEL, -1), relEvent(REL_WHEEL_HI_RES, -120)}, true},
        {{keyEvent(BTN_LEFT, 1)}, true},
        {{relEvent(REL_X, 1)}, true},  // a drag
        {{keyEvent(BTN_LEFT, 0)}, true},
        {{relEvent(REL_X, -4)}, false},
    };
    Keys expected;
    for (const auto& c : cases) {
        const auto toMain = s.in().counters().toMain.load();
        s.input.send(s.mouse, c.frame);
        s.settle();
        EXPECT_EQ(s.in().counters().toMain.load() > toMain, c.wanted) << c.frame.front();
        expected = expected + c.frame;
        EXPECT_EQ(s.clone(kMouse), expected);
    }
}

TEST(DesktopInput, DevicesComeAndGoAndAreAllLetGoAtTheEnd) {
    if (!test::runningUnderUmockdev()) return;
    auto s = std::make_unique<Scene>();
    auto& input = s->input;

    // Plugged in later: taken. Held by another program: left alone, and
    // listed as an interfering tap.
    const auto second = input.addDevice(test::fakeKeyboard("Second Keyboard", 0xC32B), true);
    s->settle();
    auto busy = test::fakeKeyboard("Busy Keyboard", 0xB35B);
    busy.bus = BUS_BLUETOOTH;
    const auto busyNode = input.addDevice(busy, true, true);
    ASSERT_TRUE(spinUntil([&] { return input.grabbed(second); }, 5000));
    s->settle();
    EXPECT_FALSE(input.grabbed(busyNode));
    EXPECT_FALSE(input.uinputDevice("Busy Keyboard"));
    const auto interfering = s->in().interferingTaps();
    ASSERT_EQ(interfering.size(), 1u);
    const auto list = platform::eventTaps().tapList();
    ASSERT_TRUE(list);
    EXPECT_EQ(std::count_if(list->begin(), list->end(),
                            [&](const platform::EventTapInfo& t) { return t.tapId == interfering[0].tapId; }),
              1);
    s->type(second, tap(KEY_X));
    EXPECT_EQ(input.written("Second Keyboard"), tap(KEY_X));

    // Pulled out in the middle of a key: its reader ends, its clone goes,
    // and so do its registry entries; the other keyboard's stay.
    auto entryOf = [&](const std::string& devnode) {
        for (const auto& n : s->in().nodes())
            if (n.devnode == devnode) return s->in().registry().entryOf(n.inputSyspath);
        return std::uint64_t{0};
    };
    const std::uint64_t goneEntry = entryOf(s->keyboard), stayingEntry = entryOf(second);
    ASSERT_TRUE(s->in().registry().contains(goneEntry));
    // A held is bound to Ctrl+C: the binding ends as A's up would have ended
    // it, and nothing stays down on the posting device.
    s->bind(kVkA, 0, shortcut(EventFlag::Control, kVkC));
    s->type(s->keyboard, down(KEY_A));
    ASSERT_EQ(heldAfter(s->posted()), (std::set<std::uint16_t>{KEY_LEFTCTRL, KEY_C}));
    input.unplug(s->keyboard);
    ASSERT_TRUE(spinUntil([&] { return input.uinputDevice(kKeyboard)->destroyed; }, 5000));
    s->settle();
    EXPECT_EQ(s->posted(), (Keys{keyEvent(KEY_LEFTCTRL, 1), keyEvent(KEY_C, 1), keyEvent(KEY_C, 0),
                                 keyEvent(KEY_LEFTCTRL, 0)}));
    EXPECT_FALSE(s->in().registry().contains(goneEntry));
    EXPECT_TRUE(s->in().registry().contains(stayingEntry));
    EXPECT_EQ(s->in().taken().size(), 2u);
    s->type(second, tap(KEY_Z));
    EXPECT_EQ(input.written("Second Keyboard"), tap(KEY_X) + tap(KEY_Z));

    // At the end every device is let go, held keys get their ups, every
    // uinput device is destroyed.
    s->type(second, down(KEY_Q));
    s->input.send(s->mouse, {keyEvent(BTN_RIGHT, 1)});
    s->settle();
    auto* rig = &input;
    s->desktop.reset();
    EXPECT_FALSE(rig->grabbed(second));
    EXPECT_FALSE(rig->grabbed(s->mouse));
    EXPECT_EQ(rig->written("Second Keyboard"), tap(KEY_X) + tap(KEY_Z) + tap(KEY_Q));
    EXPECT_EQ(rig->written(kMouse), (Keys{keyEvent(BTN_RIGHT, 1), keyEvent(BTN_RIGHT, 0)}));
    for (const auto& d : rig->uinputDevices()) EXPECT_TRUE(!d.created || d.destroyed) << d.name;
}

TEST(DesktopInput, ANodeThatCannotBeTakenNowIsTakenOnceItFreesWithoutGrabbingMeanwhile) {
    if (!test::runningUnderUmockdev()) return;
    enum class Why { KeyHeld, HeldElsewhere, TableFull };
    for (const Why why : {Why::KeyHeld, Why::HeldElsewhere, Why::TableFull}) {
        SCOPED_TRACE(why == Why::KeyHeld         ? "a key held at the take"
                     : why == Why::HeldElsewhere ? "another program holds it"
                                                 : "the table of grabs has room for two devices only");
        Scene s(false);
        const auto node =
            s.input.addDevice(test::fakeKeyboard("Late Keyboard", 0xB35B), false, why == Why::HeldElsewhere);
        if (why == Why::KeyHeld) s.input.hold(node, KEY_LEFTSHIFT);
        // Descriptors no device has: the watchdog and the signals could not let
        // a device go that the table does not hold.
        constexpr int kFiller = 100000;
        for (int i = 0; why == Why::TableFull && i < GrabTable::kSlots - 2; ++i)
            ASSERT_TRUE(GrabTable::process().add(kFiller + i, -1));
        engine::startEngineTaps();
        ASSERT_TRUE(spinUntil([&] { return s.input.grabbed(s.keyboard); }, 5000));
        s.settle();
        // A second's wait: a key held is never grabbed meanwhile (each grab
        // would steal the desktop's events); a busy node is an interfering tap.
        spinUntil([] { return false; }, 1000);
        EXPECT_FALSE(s.input.grabbed(node));
        EXPECT_FALSE(s.input.uinputDevice("Late Keyboard") && !s.input.uinputDevice("Late Keyboard")->destroyed);
        if (why != Why::TableFull) {
            EXPECT_EQ(s.input.grabCount(node), 0);
        }
        EXPECT_EQ(s.in().interferingTaps().size(), why == Why::HeldElsewhere ? 1u : 0u);
        const int grabs = s.input.grabCount(node);
        if (why == Why::KeyHeld) s.input.release(node, KEY_LEFTSHIFT);  // the desktop had its down
        else if (why == Why::HeldElsewhere) s.input.releaseElsewhere(node);
        else GrabTable::process().remove(kFiller);
        ASSERT_TRUE(spinUntil([&] { return s.input.grabbed(node); }, 10000));
        EXPECT_EQ(s.input.grabCount(node), grabs + 1);
        s.settle();
        EXPECT_TRUE(s.in().interferingTaps().empty());
        s.type(node, tap(KEY_B));
        EXPECT_TRUE(spinUntil([&] { return s.input.written("Late Keyboard") == tap(KEY_B); }, 5000))
            << ::testing::PrintToString(s.input.written("Late Keyboard"));
    }
}

TEST(DesktopInput, WithoutAccessNothingIsTakenAndTheAlertSaysWhatIsWrongAndShowsTheRule) {
    if (!test::runningUnderUmockdev()) return;
    ASSERT_TRUE(test::dropFileAccessCapabilities());
    const std::string absent = "/nonexistent-corvadine-test/uinput";
    struct Case {
        const char* name;
        std::string uinputNode;
        std::string uinputItem;
    };
    const Case cases[] = {
        {"node not writable", "/dev/uinput", "write /dev/uinput: this user may not write it"},
        {"no node: module not loaded", absent,
         "write " + absent + ": there is no such node (the uinput module is not loaded)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scene s(false, 0.050, 256, c.uinputNode);
        s.input.denyAccess(s.keyboard);
        if (c.uinputNode == "/dev/uinput") s.input.denyAccess("/dev/uinput");
        EXPECT_FALSE(platform::axObservers().isProcessTrusted());
        EXPECT_EQ(s.in().access().missingItems(), (std::vector<std::string>{"read " + s.keyboard, c.uinputItem}));

        // The alert names what is missing and shows the shipped rule; "Button
        // cancel" ends the program.
        QString informative;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            informative = box->informativeText();
            box->buttons().last()->click();
        });
        app::CorvadineApp program;
        const std::string text = informative.toStdString();
        EXPECT_NE(text.find("read " + s.keyboard + "\n"), std::string::npos) << text;
        EXPECT_NE(text.find(c.uinputItem + "\n"), std::string::npos) << text;
        EXPECT_NE(text.find("power to read"), std::string::npos);
        EXPECT_NE(text.find("scripts/install-rule.sh"), std::string::npos);
        std::ifstream rules(std::string(CORV_TEST_DIR) + "/../resources/udev/70-corvadine-input.rules");
        ASSERT_TRUE(rules);
        int ruleLines = 0;
        for (std::string line; std::getline(rules, line);) {
            if (line.empty() || line[0] == '#') continue;
            ++ruleLines;
            EXPECT_NE(line.find("TAG+=\"uaccess\""), std::string::npos) << line;
            EXPECT_NE(text.find(line), std::string::npos) << line;
        }
        EXPECT_EQ(ruleLines, 5);  // keyboards, mice, touchpads, uinput, Logitech's hidraw
        EXPECT_LT(std::string("70-corvadine-input.rules"), std::string("73-seat-late.rules"));

        // The taps stay inert: nothing is taken, no uinput device made.
        engine::startEngineTaps();
        s.settle();
        spinUntil([] { return false; }, 200);
        EXPECT_TRUE(s.input.everGrabbed().empty());
        EXPECT_TRUE(s.input.uinputDevices().empty());
    }
}

TEST(DesktopInput, AKeysUpEndsWhatItsDownStartedThoughItsRemapChangedMeanwhile) {
    if (!test::runningUnderUmockdev()) return;
    Scene s;
    auto& hid = platform::hidEventSystem();
    const platform::HidService keyboard = Scene::hidKeyboard();
    const auto& capsToControl = kCapsToControl;
    struct Case {
        const char* name;
        platform::HidPropertyArray before, after;
        Keys clone;
    };
    const Case cases[] = {
        {"mapping cleared while held", {capsToControl}, {}, tap(KEY_LEFTCTRL)},
        {"mapping set while held", {}, {capsToControl}, tap(KEY_CAPSLOCK)},
    };
    Keys expected;
    for (const auto& c : cases) {
        ASSERT_TRUE(hid.setProperty(keyboard, "UserKeyMapping", c.before));
        s.type(s.keyboard, down(KEY_CAPSLOCK));
        ASSERT_TRUE(hid.setProperty(keyboard, "UserKeyMapping", c.after));
        s.settle();
        s.type(s.keyboard, {keyEvent(KEY_CAPSLOCK, 0)});
        expected = expected + c.clone;
        EXPECT_EQ(s.clone(), expected) << c.name;
    }
    EXPECT_TRUE(heldAfter(s.clone()).empty());
}

TEST(DesktopInput, AKeySeveralHeldKeysMakeIsDownOnTheCloneOnceUntilTheLastOfThemIsUp) {
    if (!test::runningUnderUmockdev()) return;
    const std::uint16_t ctrl = KEY_LEFTCTRL, alt = KEY_LEFTALT;
    const InputEvent unmap{};  // not a key: the substitutions are cleared
    const auto on = [](std::uint16_t code) { return keyEvent(code, 1); };
    const auto off = [](std::uint16_t code) { return keyEvent(code, 0); };
    struct Case {
        const char* name;
        platform::HidPropertyArray mapping;
        std::vector<std::pair<InputEvent, Keys>> steps;  // what the clone gets for each
    };
    const Case cases[] = {
        {"Ctrl, then Alt made Ctrl; Ctrl up first",
         {kAltToControl},
         {{on(ctrl), down(ctrl)}, {on(alt), {}}, {off(ctrl), {}}, {off(alt), {off(ctrl)}}}},
        {"Alt made Ctrl, then Ctrl; Alt up first",
         {kAltToControl},
         {{on(alt), down(ctrl)}, {on(ctrl), {}}, {off(alt), {}}, {off(ctrl), {off(ctrl)}}}},
        {"Ctrl, then Alt made Ctrl; Alt up first",
         {kAltToControl},
         {{on(ctrl), down(ctrl)}, {on(alt), {}}, {off(alt), {}}, {off(ctrl), {off(ctrl)}}}},
        {"two substitutions onto Ctrl",
         {kCapsToControl, kAltToControl},
         {{on(KEY_CAPSLOCK), down(ctrl)}, {on(alt), {}}, {off(KEY_CAPSLOCK), {}}, {off(alt), {off(ctrl)}}}},
        {"right Ctrl made left",
         {mapping(0xE4, 0xE0)},
         {{on(KEY_RIGHTCTRL), down(ctrl)}, {on(ctrl), {}}, {off(KEY_RIGHTCTRL), {}}, {off(ctrl), {off(ctrl)}}}},
        {"A made B, its repeats passing as the kernel's would",
         {mapping(0x04, 0x05)},
         {{on(KEY_B), down(KEY_B)},
          {on(KEY_A), {}},
          {keyEvent(KEY_A, 2), {keyEvent(KEY_B, 2)}},
          {off(KEY_B), {}},
          {off(KEY_A), {off(KEY_B)}}}},
        {"the substitution cleared while both are held",
         {kAltToControl},
         {{on(ctrl), down(ctrl)}, {on(alt), {}}, {unmap, {}}, {off(ctrl), {}}, {off(alt), {off(ctrl)}},
          {on(alt), down(alt)}, {off(alt), {off(alt)}}}},
    };
    Scene s;
    auto& hid = platform::hidEventSystem();
    for (const Case& c : cases) {
        ASSERT_TRUE(hid.setProperty(Scene::hidKeyboard(), "UserKeyMapping", c.mapping));
        Keys expected = s.clone();
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const auto& [key, clone] = c.steps[i];
            if (key == unmap)
                ASSERT_TRUE(hid.setProperty(Scene::hidKeyboard(), "UserKeyMapping", platform::HidPropertyArray{}));
            else
                s.type(s.keyboard, {key});
            expected = expected + clone;
            ASSERT_EQ(s.clone(), expected) << c.name << ", step " << i;
        }
    }
}

TEST(DesktopInput, AKeyTwoHeldKeysMakeIsLiftedOnceWhenTheKeyboardIsLetGo) {
    if (!test::runningUnderUmockdev()) return;
    // A session switched away lets go as taps switched off do.
    const std::pair<const char*, std::function<void(Scene&)>> ways[] = {
        {"unplugged", [](Scene& s) { s.input.unplug(s.keyboard); }},
        {"no tap live", [](Scene&) { engine::stopEngineTaps(); }},
    };
    for (const auto& [name, letGo] : ways) {
        Scene s;
        ASSERT_TRUE(platform::hidEventSystem().setProperty(Scene::hidKeyboard(), "UserKeyMapping",
                                                           platform::HidPropertyArray{kAltToControl}));
        s.type(s.keyboard, down(KEY_LEFTCTRL) + down(KEY_LEFTALT));
        letGo(s);
        EXPECT_TRUE(spinUntil([&] { return !s.input.grabbed(s.keyboard); }, 5000)) << name;
        EXPECT_EQ(s.clone(), tap(KEY_LEFTCTRL)) << name;
    }
}

TEST(DesktopInput, AModifierHeldOnOneNodeModifiesKeysOfAnother) {
    if (!test::runningUnderUmockdev()) return;
    Scene s;
    const auto second = s.addKeyboard("Keyboard Keys Node");
    s.bind(kVkA, ModMask::Control, BindAction::forAction(ActionId::MediaPlayPause));

    // Control on the first node, A on the second: the binding acts.
    s.type(s.keyboard, down(KEY_LEFTCTRL));
    s.type(second, tap(KEY_A));
    EXPECT_EQ(s.posted(), tap(KEY_PLAYPAUSE));
    EXPECT_TRUE(s.input.written("Keyboard Keys Node").empty());
    // Control let go: A on the second node is A again.
    s.type(s.keyboard, {keyEvent(KEY_LEFTCTRL, 0)});
    s.type(second, tap(KEY_A));
    EXPECT_EQ(s.posted(), tap(KEY_PLAYPAUSE));
    EXPECT_EQ(s.input.written("Keyboard Keys Node"), tap(KEY_A));
}

TEST(DesktopInput, ABoundChordPostsExactlyItsModifiersAndNoModifierTapOrEarlyUpReachesTheDesktop) {
    if (!test::runningUnderUmockdev()) return;
    using Mods = std::set<std::uint16_t>;
    struct Case {
        const char* name;
        std::uint64_t mask;  // A under these modifiers is bound to C under `posts`
        std::vector<std::pair<int, Keys>> typed;  // on the first or second keyboard; -1 unplugs the first
        std::vector<Mods> atPostedKeys;
        std::uint64_t posts = EventFlag::Control;
    };
    const Case cases[] = {
        {"Alt held, Alt+A made Shift+C: Shift goes before Alt comes back", ModMask::Option,
         {{0, down(KEY_LEFTALT) + tap(KEY_A) + Keys{keyEvent(KEY_LEFTALT, 0)}}},
         {{KEY_LEFTSHIFT}},
         EventFlag::Shift},
        {"Super on two keyboards, the second let go before the chord", ModMask::Command,
         {{1, down(KEY_LEFTMETA)}, {0, down(KEY_LEFTMETA)}, {1, Keys{keyEvent(KEY_LEFTMETA, 0)}}, {0, down(KEY_A)},
          {0, Keys{keyEvent(KEY_LEFTMETA, 0)}}, {0, Keys{keyEvent(KEY_A, 0)}}},
         {{KEY_LEFTCTRL}}},
        {"Super on two keyboards, the first unplugged while its Super is lifted", ModMask::Command,
         {{1, down(KEY_LEFTMETA)}, {0, down(KEY_LEFTMETA)}, {1, Keys{keyEvent(KEY_LEFTMETA, 0)}}, {0, down(KEY_A)},
          {-1, {}}},
         {{KEY_LEFTCTRL}}},
        {"Super lifted while Ctrl+C is down, and put back",
         ModMask::Command,
         {{0, down(KEY_LEFTMETA) + tap(KEY_A) + tap(KEY_A) + Keys{keyEvent(KEY_LEFTMETA, 0)}}},
         {{KEY_LEFTCTRL}, {KEY_LEFTCTRL}}},
        {"Super lifted, let go before the chord ends", ModMask::Command,
         {{0, down(KEY_LEFTMETA) + down(KEY_A) + Keys{keyEvent(KEY_LEFTMETA, 0), keyEvent(KEY_A, 0)}}},
         {{KEY_LEFTCTRL}}},
        {"the user's Ctrl outlives the posted one", ModMask::Control,
         {{0, down(KEY_LEFTCTRL) + tap(KEY_A) + tap(KEY_A) + Keys{keyEvent(KEY_LEFTCTRL, 0)}}},
         {{KEY_LEFTCTRL}, {KEY_LEFTCTRL}}},
        {"Ctrl on two keyboards, let go on one", ModMask::Control,
         {{0, down(KEY_LEFTCTRL)}, {1, down(KEY_LEFTCTRL)}, {1, Keys{keyEvent(KEY_LEFTCTRL, 0)}}, {0, tap(KEY_A)},
          {0, Keys{keyEvent(KEY_LEFTCTRL, 0)}}},
         {{KEY_LEFTCTRL}}},
    };
    for (const auto& c : cases) {
        Scene s;
        const auto second = s.addKeyboard("Second Keyboard");
        s.bind(kVkA, c.mask, shortcut(c.posts, kVkC));
        for (const auto& [which, keys] : c.typed) {
            if (which < 0) {
                s.input.unplug(s.keyboard);
                EXPECT_TRUE(spinUntil([&] { return s.in().taken().size() == 2; }, 5000)) << c.name;
                s.settle();
            }
            s.type(which == 0 ? s.keyboard : second, keys);
        }
        const DesktopView view = viewOf(s.input.uinputDevices(), kPosting);
        EXPECT_EQ(view.faults, std::vector<std::string>{}) << c.name;
        EXPECT_EQ(view.modifiersAtPostedKeys, c.atPostedKeys) << c.name;
        EXPECT_EQ(view.heldAtEnd, Mods{}) << c.name;
    }
}

// Super+J, bound to Ctrl+C, typed as the keyboard is grabbed at start, before
// its clone exists; the main thread then stays busy past the bound, as with
// the rest of a start. The chord acts once the loop turns, as the same chord
// typed later does, and none of it passes raw.
TEST(DesktopInput, AChordTypedAsTheKeyboardIsTakenActsThoughTheMainThreadIsBusyPastTheBound) {
    if (!test::runningUnderUmockdev()) return;
    // The bound a reader that read during the hold would time out on.
    constexpr double kBound = 1.0;
    Scene s(false, kBound);
    s.bind(kVkJ, ModMask::Command, shortcut(EventFlag::Control, kVkC));
    const Keys typed = down(KEY_LEFTMETA) + tap(KEY_J) + Keys{keyEvent(KEY_LEFTMETA, 0)};
    // The hold is posted during the grab, so it comes before anything the
    // grabbing turn posts; a test that held once it saw the grab could find
    // that the loop had turned twice meanwhile.
    std::atomic<bool> holding{false};
    std::optional<bool> reachedClone;
    s.input.onGrab = [&](const std::string& node) {
        if (node != s.keyboard || holding.exchange(true)) return;
        for (const auto& k : typed) s.input.send(node, {{EV_MSC, MSC_SCAN, k.code}, k});
        platform::runLoop().postFromAnyThread([&] {
            reachedClone = s.cloneWhileHeld([](const Keys& k) { return !k.empty(); }, static_cast<int>(2000 * kBound));
        });
    };
    engine::startEngineTaps();
    ASSERT_TRUE(spinUntil([&] { return reachedClone.has_value(); }, 5000));
    s.input.onGrab = nullptr;
    // Busy past the bound before the loop turns again: nothing reaches the clone.
    EXPECT_FALSE(*reachedClone);
    // Once the loop turns, every key is asked however long a loaded machine
    // keeps the main thread from answering; a wait begun in the hold keeps
    // its deadline.
    s.in().setVerdictBound(test::kQuietVerdictBound);
    s.settle();
    const Keys posted = s.posted(), passed = s.clone();
    const Keys chord{keyEvent(KEY_LEFTCTRL, 1), keyEvent(KEY_C, 1), keyEvent(KEY_C, 0), keyEvent(KEY_LEFTCTRL, 0)};
    EXPECT_NE(std::search(posted.begin(), posted.end(), chord.begin(), chord.end()), posted.end());
    EXPECT_EQ(std::count(passed.begin(), passed.end(), keyEvent(KEY_J, 1)), 0);
    s.type(s.keyboard, typed);
    EXPECT_EQ(s.posted(), posted + posted);
    EXPECT_EQ(s.clone(), passed + passed);
    EXPECT_EQ(s.in().counters().timedOut.load(), 0u);
}

TEST(DesktopInput, TheLockLightsTheDesktopSetsOnAKeyboardsCloneLightOnThatKeyboard) {
    if (!test::runningUnderUmockdev()) return;
    Scene s;
    const auto second = s.addKeyboard("Second Keyboard");
    // Num Lock was on before the program came (another session, the greeter).
    const auto third = s.addKeyboard("Lit Keyboard", {LED_NUML});
    const std::string keyboards[] = {s.keyboard, second, third};
    const std::string clones[] = {s.input.nodeOf(kKeyboard), s.input.nodeOf("Second Keyboard"),
                                  s.input.nodeOf("Lit Keyboard")};
    for (const auto& name : {std::string(kKeyboard), std::string("Second Keyboard")})
        EXPECT_EQ(s.input.uinputDevice(name)->codes[EV_LED], (std::set<std::uint16_t>{LED_NUML, LED_CAPSL, LED_SCROLLL}))
            << name;

    struct Case {
        const char* name;
        int keyboard;
        Keys set;  // by the desktop on the clone, in one write
    };
    const Case cases[] = {
        {"Caps Lock on", 0, {{EV_LED, LED_CAPSL, 1}}},
        {"Num Lock on, on the other keyboard", 1, {{EV_LED, LED_NUML, 1}}},
        {"Caps Lock off and Scroll Lock on at once", 0, {{EV_LED, LED_CAPSL, 0}, {EV_LED, LED_SCROLLL, 1}}},
        {"Num Lock off where it was on from the start", 2, {{EV_LED, LED_NUML, 0}}},
    };
    // The clone shows the keyboard's lights from the start; they come back to it unchanged.
    Keys lit[3] = {{}, {}, {{EV_LED, LED_NUML, 1}, test::synReport()}};
    for (const auto& c : cases) {
        s.input.writeToNode(clones[c.keyboard], c.set);
        lit[c.keyboard] = lit[c.keyboard] + c.set + Keys{test::synReport()};
        EXPECT_TRUE(spinUntil([&] { return s.input.writtenTo(keyboards[c.keyboard]) == lit[c.keyboard]; }, 5000))
            << c.name << ": " << ::testing::PrintToString(s.input.writtenTo(keyboards[c.keyboard]));
    }
    s.settle();
    EXPECT_EQ(s.input.writtenTo(keyboards[0]), lit[0]);
    EXPECT_EQ(s.input.writtenTo(keyboards[1]), lit[1]);
    EXPECT_EQ(s.input.writtenTo(keyboards[2]), lit[2]);
    // What a keyboard reports of the lights written to it goes no further.
    for (const auto& d : s.input.uinputDevices())
        EXPECT_EQ(only(d.events, EV_LED), (d.name == "Lit Keyboard" ? Keys{{EV_LED, LED_NUML, 1}} : Keys{})) << d.name;
    s.type(s.keyboard, tap(KEY_B));
    EXPECT_EQ(s.clone(), tap(KEY_B));
}

// Voluntary context switches of each thread of this process, by thread id, with its name.
std::map<std::string, std::pair<std::string, long>> contextSwitches() {
    std::map<std::string, std::pair<std::string, long>> out;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        std::string line, name;
        long n = 0;
        while (std::getline(status, line)) {
            if (line.starts_with("Name:")) name = line.substr(6);
            // A wake-up ends in one voluntary switch; being preempted on a
            // loaded machine is no wake-up.
            if (line.starts_with("voluntary_ctxt_switches:")) n = std::stol(line.substr(line.find(':') + 1));
        }
        out[task.path().filename().string()] = {name, n};
    }
    return out;
}

TEST(DesktopInput, QuietInputWakesNothingThoughAKeyboardAndATouchpadAreTaken) {
    if (!test::runningUnderUmockdev()) return;
    Scene s;
    const auto touchpad = s.input.addDevice(test::fakeTouchpad(), true);
    ASSERT_TRUE(spinUntil([&] { return s.input.grabbed(touchpad); }, 5000));
    s.type(s.keyboard, tap(KEY_B));
    s.settle(500);
    // The loop waits for 10 s with nothing to do.
    const auto before = contextSwitches();
    QEventLoop quiet;
    QTimer::singleShot(10000, &quiet, &QEventLoop::quit);
    quiet.exec();
    const auto after = contextSwitches();
    long wakes = 0;
    std::string each;
    for (const auto& [tid, was] : before) {
        auto now = after.find(tid);
        if (now == after.end() || now->second.second == was.second) continue;
        // umockdev's own threads serve the faked devices (the test's side).
        each += was.first + " " + std::to_string(now->second.second - was.second) + "; ";
        if (was.first.starts_with("gmain") || was.first.starts_with("umockdev")) continue;
        wakes += now->second.second - was.second;
    }
    // The wait's own end costs one or two.
    EXPECT_LE(wakes, 10) << each;
    std::printf("wake-ups in 10 quiet seconds: %ld (%s)\n", wakes, each.c_str());
}

TEST(DesktopInput, AKeyboardWhoseReadsKeepFailingIsTriedAgainLaterNotAtEveryTapChange) {
    if (!test::runningUnderUmockdev()) return;
    Scene s;
    s.input.failReads(s.keyboard, true);
    s.input.send(s.keyboard, {{EV_MSC, MSC_SCAN, KEY_A}});
    ASSERT_TRUE(spinUntil([&] { return !s.input.grabbed(s.keyboard); }, 5000));
    const int grabs = s.input.grabCount(s.keyboard);

    // A key tap elsewhere in the program goes on and off (as the panel's key
    // recorder does); each change looks at the devices again.
    auto& taps = platform::eventTaps();
    const auto other = liveTap(platform::TapLocation::Hid, platform::TapPlacement::HeadInsert,
                               platform::TapOptions::ListenOnly,
                               [](platform::TapProxy, std::uint32_t, platform::Event e) { return std::optional<platform::Event>(e); });
    for (int i = 0; i < 8; ++i) {
        taps.setEnabled(other, i % 2 == 0);
        spinUntil([] { return false; }, 30);
    }
    EXPECT_LE(s.input.grabCount(s.keyboard) - grabs, 1);

    // Working again: taken at its next try, and its keys reach the desktop.
    s.input.failReads(s.keyboard, false);
    ASSERT_TRUE(spinUntil([&] { return s.input.grabbed(s.keyboard); }, 10000));
    s.settle();
    EXPECT_TRUE(s.input.grabbed(s.keyboard));
    s.type(s.keyboard, tap(KEY_B));
    EXPECT_EQ(s.clone(), tap(KEY_B));
}

} // namespace
} // namespace corv::desktop
