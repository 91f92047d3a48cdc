#include "engine/KeyboardHidManager.h"

#include "engine/KeyboardServices.h"
#include "engine/ModKeyPressed.h"
#include "logitech/DongleType.h"
#include "logitech/HidppParser.h"
#include "logitech/InitQueue.h"
#include "logitech/LogiKeybs.h"
#include "model/KeySubOpt.h"
#include "model/Shared.h"
#include "model/UIState.h"
#include "platform/Platform.h"

#include <algorithm>

namespace corv::engine {

namespace {

using platform::HidDeviceRef;

constexpr std::uint32_t kKeyboardPage = 7;
constexpr std::uint32_t kAppleVendorPage = 0xFF;
constexpr std::uint32_t kAppleVendorTopCasePage = 0xFF01;
// Usage pages above this are vendor-defined.
constexpr std::uint32_t kLastStandardPage = 0xFEFF;

platform::HidMatching keyboardMatching() {
    return {{platform::kHidDeviceUsagePageKey, std::int64_t{1}}, {platform::kHidDeviceUsageKey, std::int64_t{6}}};
}

std::string stringOrUnknown(const platform::HidDevice& device, const char* key) {
    return device.stringProperty(key).value_or("Unknown");
}

std::uint16_t productIdOf(const platform::HidDevice& device) {
    auto id = device.intProperty(platform::kHidProductIdKey);
    return id && *id >= 0 && *id <= 0xFFFF ? static_cast<std::uint16_t>(*id) : 0;
}

// The keyboard as the held keys name it: its product, or its receiver kind,
// and its maker.
DeviceName pressedKeyboardName(const platform::HidDevice& device) {
    std::string product = stringOrUnknown(device, platform::kHidProductKey);
    if (auto kind = receiverKindName(device.intProperty(platform::kHidVendorIdKey),
                                     device.intProperty(platform::kHidProductIdKey)))
        product = *kind;
    return DeviceName{product, stringOrUnknown(device, platform::kHidManufacturerKey)};
}

void keyboardDeviceMatchedCallback(const HidDeviceRef& device) { onKeyboardDeviceMatched(device); }
void keyboardDeviceRemovedCallback(const HidDeviceRef& device) { onKeyboardDeviceRemoved(device); }
void keyboardValueCallback(const HidDeviceRef& sender, const platform::HidInputValue& value) {
    onKeyboardValue(sender, value);
}

} // namespace

KeyboardHidManagerState& KeyboardHidManagerState::shared() { return Shared<KeyboardHidManagerState>::instance(); }
PhysicalKeyHighlight& PhysicalKeyHighlight::shared() { return Shared<PhysicalKeyHighlight>::instance(); }

const std::vector<std::uint16_t>& logiKeyboardProductIds() {
    static const std::vector<std::uint16_t> ids{
        0x2010, 0x2011, 0x4002, 0x4003, 0x4004, 0x4005, 0x400D, 0x400E, 0x4015, 0x4023, 0x4024, 0x4032, 0x404D,
        0x405B, 0x4061, 0x4062, 0x4065, 0x4066, 0x406E, 0x4075, 0x4078, 0x407C, 0x408A, 0x408E, 0x4102, 0xB305,
        0xB309, 0xB30B, 0xB342, 0xB34D, 0xB34F, 0xB350, 0xB354, 0xB35B, 0xB35F, 0xB361, 0xB363, 0xB365, 0xB366,
        0xB367, 0xB369, 0xB378, 0xC318, 0xC336, 0xC339, 0xC33C, 0xC33E, 0xC33F, 0xC341, 0xC343, 0xC547, 0xC548};
    return ids;
}

bool isLogiKeyboardProduct(std::uint16_t productId) {
    // Two receivers are in the keyboard list too; a receiver is never a keyboard.
    if (logitech::dongleTypeForProduct(productId)) return false;
    const auto& ids = logiKeyboardProductIds();
    return (productId >= 0xB300 && productId <= 0xB3FF) ||
           std::find(ids.begin(), ids.end(), productId) != ids.end();
}

void startKeyboardHidManager() {
    stopKeyboardHidManager();
    auto manager = platform::hidDevices().createManager();
    if (!manager) return;
    manager->setDeviceMatching({keyboardMatching()});
    manager->setMatchedHandler(&keyboardDeviceMatchedCallback);
    manager->setRemovedHandler(&keyboardDeviceRemovedCallback);
    manager->open();
    KeyboardHidManagerState::shared().keyboardHidManager = std::move(manager);
    ModKeyPressed::shared().v.set({});
}

void stopKeyboardHidManager() {
    auto& manager = KeyboardHidManagerState::shared().keyboardHidManager;
    if (!manager) return;
    manager->close();
    manager.reset();
}

void onKeyboardDeviceMatched(const HidDeviceRef& device) {
    if (!device) return;
    const bool primaryKeyboard = device->intProperty(platform::kHidPrimaryUsagePageKey) == 1 &&
                                 device->intProperty(platform::kHidPrimaryUsageKey) == 6;
    const auto transport = device->stringProperty(platform::kHidTransportKey);
    if (!transport ||
        (transport->find("USB") == std::string::npos && transport->find("Bluetooth") == std::string::npos)) {
        if (primaryKeyboard) device->setInputValueHandler(&keyboardValueCallback);
        return;
    }
    const auto pairs = device->usagePairs();
    if (std::find(pairs.begin(), pairs.end(), platform::HidUsagePair{1, 6}) == pairs.end()) return;
    device->setInputValueHandler(&keyboardValueCallback);
    if (device->intProperty(platform::kHidVendorIdKey) != kLogitechVendorId) return;
    if (std::none_of(pairs.begin(), pairs.end(), [](const auto& p) { return p.page > kLastStandardPage; })) return;
    if (!isLogiKeyboardProduct(productIdOf(*device))) return;

    device->setInputReportHandler(&logitech::hidppReportKeyboardCallback);
    device->open();
    auto u = logitech::firstFreeKeyboard();
    if (!u) return;
    logitech::LogiKeybsNoUI::shared().k.modify([&](logitech::LogiKeybNoUIList& list) {
        auto& slot = list[*u];
        slot.dev = device;
        slot.usbIndex = logitech::kDirectIndex;
        slot.valid = true;
    });
    logitech::LogiKeybsUI::shared().k.modify([&](logitech::LogiKeybUIList& list) {
        list[*u].name = DeviceName{stringOrUnknown(*device, platform::kHidProductKey),
                                   stringOrUnknown(*device, platform::kHidManufacturerKey)};
        list[*u].valid = true;
    });
    logitech::initQueueEnqueue(static_cast<int>(*u), false);
}

void onKeyboardDeviceRemoved(const HidDeviceRef& device) {
    if (!device) return;
    std::vector<std::size_t> held;
    const auto& list = logitech::LogiKeybsNoUI::shared().k.get();
    for (std::size_t u = 0; u < list.size(); ++u)
        if (list[u].valid && list[u].dev == device) held.push_back(u);
    for (std::size_t u : held) logitech::releaseAndResetKeyboard(u);
    device->setInputValueHandler(nullptr);
    // Its keys can no longer be released: they are no longer shown held. A
    // second keyboard of the same model keeps its own.
    const auto onIt = [&](const PressedKey& k) { return k.device == device.get(); };
    auto& pressedKeys = ModKeyPressed::shared().v;
    const auto& now = pressedKeys.get();
    if (std::any_of(now.begin(), now.end(), onIt))
        pressedKeys.modify([&](std::vector<PressedKey>& v) { std::erase_if(v, onIt); });
}

void onKeyboardValue(const HidDeviceRef& device, const platform::HidInputValue& value) {
    if (!device || !UIState::shared().keyboardTabShowing.get()) return;
    const std::uint32_t page = value.usagePage;
    const std::uint32_t usage = value.usage;
    if (page != kKeyboardPage && page != kAppleVendorTopCasePage && page != kAppleVendorPage) return;
    if (usage < 2 || usage > 255) return;
    const bool pressed = value.integerValue != 0;
    const PressedKey key{(std::uint64_t{page} << 32) | usage, pressedKeyboardName(*device), device.get()};

    auto& pressedKeys = ModKeyPressed::shared().v;
    const auto& now = pressedKeys.get();
    auto it = std::find(now.begin(), now.end(), key);
    if (!pressed) {
        if (it != now.end()) {
            const auto index = it - now.begin();
            pressedKeys.modify([&](std::vector<PressedKey>& v) { v.erase(v.begin() + index); });
        }
        return;
    }
    if (it == now.end()) pressedKeys.modify([&](std::vector<PressedKey>& v) { v.push_back(key); });
    capturePhysicalKey(key.code, key.keyboard);
}

void capturePhysicalKey(std::uint64_t code, const DeviceName& keyboard) {
    auto& highlight = PhysicalKeyHighlight::shared();
    if (!highlight.read || !highlight.move) return;
    const PhysicalKeyWait wait = highlight.read();
    if (!wait.usage || !KeySubOpt::shared().subGlobalEn.get() || !(wait.name == keyboard)) return;

    const auto& list = KeySubOpt::shared().keySub.get();
    auto ks = std::find_if(list.begin(), list.end(), [&](const KeySub& k) {
        return k.name == wait.name && k.reportDescSum == wait.reportDescSum;
    });
    if (ks == list.end()) return;
    const auto& src = ks->subItemsSrc;
    if (std::find(src.begin(), src.end(), code) != src.end()) {
        highlight.move(code, false);
        return;
    }
    auto waiting = std::find(src.begin(), src.end(), *wait.usage);
    if (waiting == src.end()) return;
    const auto j = static_cast<std::size_t>(waiting - src.begin());

    KeySub edited = *ks;
    if (wait.src) {
        edited.subItemsSrc[j] = code;
    } else {
        // A record whose destinations are fewer than its sources has no cell to write.
        if (j >= edited.subItemsDst.size()) return;
        edited.subItemsDst[j] = code;
    }
    edited.rebuildOccupiedKeys();
    if (wait.src)
        highlight.move(code, false);
    else
        highlight.move(std::nullopt, false);
    // Moving the highlight runs its observers, which may have changed the
    // records: the edited one is found again, and written only if still there.
    bool written = false;
    KeySubOpt::shared().keySub.modify([&](std::vector<KeySub>& v) {
        auto again = std::find_if(v.begin(), v.end(), [&](const KeySub& k) {
            return k.name == wait.name && k.reportDescSum == wait.reportDescSum;
        });
        if (again == v.end()) return;
        *again = edited;
        written = true;
    });
    if (written) applyKeySubMapping(edited);
}

} // namespace corv::engine
