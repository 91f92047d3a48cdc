#include "engine/LogiKeyActions.h"

#include "engine/ActionExecutor.h"
#include "engine/AppWindows.h"
#include "engine/HeldModifiers.h"
#include "engine/KeyCombo.h"
#include "engine/ModClick.h"
#include "engine/SkyLight.h"
#include "logitech/LogiKeybs.h"
#include "model/ActionTable.h"
#include "model/LogiKeysOpt.h"
#include "platform/Event.h"

#include <optional>

namespace corv::engine {

namespace {

using logitech::LogiKeybNoUIList;
using logitech::LogiKeybsNoUI;

bool validKeyboard(int keyboard) {
    return keyboard >= 0 && static_cast<std::size_t>(keyboard) < logitech::kKeyboardCount;
}

// The mask-0 binding of the control in the options entry.
std::optional<BindAction> bindingOf(int options, std::uint16_t control) {
    const auto& list = LogiKeysOpt::shared().k.get();
    if (options < 0 || static_cast<std::size_t>(options) >= list.size()) return std::nullopt;
    const LogiKeyBindings& keys = list[static_cast<std::size_t>(options)].key;
    auto byControl = keys.find(control);
    if (byControl == keys.end()) return std::nullopt;
    auto plain = byControl->second.find(0);
    if (plain == byControl->second.end()) return std::nullopt;
    return plain->second;
}

void press(const BindAction& b) {
    const std::uint64_t held = HeldModifiers::shared().combinedModifierFlags;
    if (b.isHotkey) {
        postKeyComboDown(b.hotkeyMod, held, b.hotkeyKey, false);
    } else if (b.actionSel == ActionId::ModClicks) {
        appUnderCursor(cursorLocation());
        postModClick(b.hotkeyMod, held, b.hotkeyKey, static_cast<std::int64_t>(ClickPhase::Press), true);
    } else {
        performAction(b.actionSel, false, held, b.appName);
    }
}

void release(const BindAction& b) {
    const std::uint64_t held = HeldModifiers::shared().combinedModifierFlags;
    if (b.isHotkey)
        postKeyComboUp(platform::Event::keyboard(b.hotkeyKey, false), b.hotkeyMod, held);
    else if (b.actionSel == ActionId::ModClicks)
        postModClick(b.hotkeyMod, held, b.hotkeyKey, static_cast<std::int64_t>(ClickPhase::Release), false);
}

void setKeyState(int keyboard, std::set<std::uint16_t> held) {
    LogiKeybsNoUI::shared().k.modify(
        [&](LogiKeybNoUIList& list) { list[static_cast<std::size_t>(keyboard)].keyState = std::move(held); });
}

} // namespace

std::set<std::uint16_t> heldLogiControls(const std::uint8_t* report, std::size_t length) {
    std::set<std::uint16_t> held;
    if (!report) return held;
    for (std::size_t slot = 0; slot < kHeldControlSlots; ++slot) {
        const std::size_t at = kHeldControlsAt + 2 * slot;
        if (at + 1 >= length) break;
        const auto id = static_cast<std::uint16_t>((report[at] << 8) | report[at + 1]);
        if (id != 0 && id != kLogiFnControl) held.insert(id);
    }
    return held;
}

void performLogiKeyActions(int keyboard, int options, const std::uint8_t* report, std::size_t length) {
    if (!validKeyboard(keyboard)) return;
    std::set<std::uint16_t> held = heldLogiControls(report, length);
    const std::set<std::uint16_t> before = LogiKeybsNoUI::shared().k.get()[static_cast<std::size_t>(keyboard)].keyState;
    for (std::uint16_t id : before)
        if (!held.count(id))
            if (auto b = bindingOf(options, id)) release(*b);
    for (std::uint16_t id : held)
        if (!before.count(id))
            if (auto b = bindingOf(options, id)) press(*b);
    setKeyState(keyboard, std::move(held));
}

void releaseHeldLogiKeys(int keyboard) {
    if (!validKeyboard(keyboard)) return;
    const int options = logitech::LogiKeybsUI::shared().k.get()[static_cast<std::size_t>(keyboard)].optIndex;
    const std::set<std::uint16_t> held = LogiKeybsNoUI::shared().k.get()[static_cast<std::size_t>(keyboard)].keyState;
    for (std::uint16_t id : held)
        if (auto b = bindingOf(options, id)) release(*b);
    setKeyState(keyboard, {});
}

} // namespace corv::engine
