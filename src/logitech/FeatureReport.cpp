#include "logitech/FeatureReport.h"

#include "engine/LogiKeyActions.h"
#include "logitech/BacklightRequests.h"
#include "logitech/BatteryLevel.h"
#include "logitech/BatteryLowNotice.h"
#include "logitech/FnInversion.h"
#include "logitech/HidppReport.h"
#include "logitech/HostPlatforms.h"
#include "logitech/KeyboardAccess.h"
#include "logitech/KeyboardRequests.h"
#include "logitech/LogiKeybs.h"
#include "logitech/ReprogControls.h"
#include "model/LogiKeysOpt.h"

#include <array>

namespace corv::logitech {

namespace {

namespace h = hidpp20;

// The features that take reports, in the order they are tried.
constexpr std::array<FeatureID, 8> kRouting{
    FeatureID::ID_1000, FeatureID::ID_1001, FeatureID::ID_1004, FeatureID::ID_4531,
    FeatureID::ID_40A2, FeatureID::ID_40A3, FeatureID::ID_1B04, FeatureID::ID_1982,
};

constexpr std::uint8_t kFunctionZeroEnd = 0x10;

void rootAnswer(std::size_t k, std::size_t options, ReportBytes report) {
    auto* requests = KeyboardRequestStates::shared().at(static_cast<int>(k));
    // Only the answer to the root request in flight; a late one is not it.
    if (!requests || requests->rootAwaited != report[hidpp::kAddressAt]) return;
    const auto quest = static_cast<std::int64_t>(LogiKeybsNoUI::shared().k()[k].featInQuest);
    // 0xFF marks error reports: as a feature's index it is no index at all.
    const std::uint8_t index = report[h::root::kIndexByte];
    LogiKeysOpt::shared().k.modify([&](std::vector<LogiKeyOpt>& l) {
        if (index != 0 && index != hidpp::kLongError)
            l[options].featureMap[quest] = index;
        else
            l[options].featureMap.erase(quest);
    });
}

void platformReport(std::size_t k, std::size_t options, ReportBytes report) {
    const std::uint8_t byte3 = report[hidpp::kAddressAt];
    if (byte3 < kFunctionZeroEnd) {
        const PlatformInfo info = decodePlatformInfo(report);
        LogiKeybsNoUI::shared().k.modify([&](LogiKeybNoUIList& l) {
            l[k].canChangePlatform = info.canChangePlatform;
            l[k].currChannel = info.currChannel;
            l[k].currPlatform = info.currPlatform;
            l[k].platformCount = info.platformCount;
        });
        return;
    }
    if (h::functionOf(byte3) != h::platforms::kGetDescriptor) return;
    auto list = LogiKeysOpt::shared().k()[options].platformList;
    // No more descriptors than the keyboard says it has.
    if (list.size() >= LogiKeybsNoUI::shared().k()[k].platformCount) return;
    if (!addPlatformDescriptor(list, report)) return;
    LogiKeysOpt::shared().k.modify([&](std::vector<LogiKeyOpt>& l) { l[options].platformList = std::move(list); });
}

void controlReport(std::size_t k, std::size_t options, ReportBytes report) {
    const std::uint8_t byte3 = report[hidpp::kAddressAt];
    if (h::functionOf(byte3) == h::controls::kGetInfo) {
        const ControlInfo c = decodeControlInfo(report);
        if (!isDivertableControl(c.flags)) return;
        // No more controls than the keyboard says it has.
        const auto* requests = KeyboardRequestStates::shared().at(static_cast<int>(k));
        const auto& known = LogiKeysOpt::shared().k()[options].id1b04List;
        if (!known.count(c.controlId) && (!requests || known.size() >= requests->controlCount)) return;
        LogiKeysOpt::shared().k.modify(
            [&](std::vector<LogiKeyOpt>& l) { l[options].id1b04List[c.controlId] = c.flags; });
        return;
    }
    if (byte3 != h::controls::kDivertedEvent) return;
    engine::performLogiKeyActions(static_cast<int>(k), static_cast<int>(options), report.data(), report.size());
}

} // namespace

void hidppFeatureReport(int keyboard, const std::uint8_t* bytes, std::size_t length) {
    if (!bytes || length != hidpp::kLongLength || !isKeyboardIndex(keyboard)) return;
    auto options = keyboardOptions(keyboard);
    if (!options) return;
    const auto k = static_cast<std::size_t>(keyboard);
    const ReportBytes report(bytes, length);
    const std::uint8_t f = report[hidpp::kSubIdAt];
    if (f == h::kRootFeatureIndex) return rootAnswer(k, *options, report);
    if (f == hidpp::kLongError) return;  // an error answer, for the request it answers

    for (FeatureID feature : kRouting) {
        if (featureIndex(*options, feature) != f) continue;
        switch (feature) {
        case FeatureID::ID_1000:
            storeKeyboardBattery(k, batteryFromLevelReply(LogiKeybsUI::shared().k()[k].battery, report));
            return;
        case FeatureID::ID_1001: storeKeyboardBattery(k, batteryFromVoltageReply(report)); return;
        case FeatureID::ID_1004: storeKeyboardBattery(k, batteryFromUnifiedReply(report)); return;
        case FeatureID::ID_4531: platformReport(k, *options, report); return;
        case FeatureID::ID_40A2: handleFnInversionReply(keyboard, report); return;
        case FeatureID::ID_40A3: handleFnInversionMultiHostReply(keyboard, report); return;
        case FeatureID::ID_1B04: controlReport(k, *options, report); return;
        case FeatureID::ID_1982: handleBacklightReply(keyboard, report); return;
        default: return;
        }
    }
}

} // namespace corv::logitech
