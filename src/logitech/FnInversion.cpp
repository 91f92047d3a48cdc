#include "logitech/FnInversion.h"

#include "logitech/HidppReport.h"
#include "logitech/KeyboardAccess.h"
#include "logitech/KeyboardRequests.h"
#include "logitech/LogiKeybs.h"
#include "model/LogiKeysOpt.h"

namespace corv::logitech {

namespace {

namespace fn = hidpp20::fnInversion;
namespace mh = hidpp20::fnInversionMultiHost;

constexpr std::uint8_t kFunctionZeroEnd = 0x10;  // byte 3 below: function 0, any software id
constexpr std::uint8_t kEvent = 0x00;            // function 0, software id 0

bool storedFnInversion(std::size_t options) { return LogiKeysOpt::shared().k()[options].fnInversion; }

void sendFnInversion(int keyboard) {
    auto t = featureTarget(keyboard, FeatureID::ID_40A2);
    if (!t) return;
    sendFeatureRequest(*t, fn::kSet, {static_cast<std::uint8_t>(storedFnInversion(t->options) ? 1 : 0), 0});
}

void sendFnInversionMultiHost(int keyboard) {
    auto t = featureTarget(keyboard, FeatureID::ID_40A3);
    if (!t) return;
    const auto state = static_cast<std::uint8_t>(storedFnInversion(t->options) ? 1 : 0);
    sendFeatureRequest(*t, mh::kSet, {mh::kCurrentHost, state});
}

void grantCorrection(int keyboard) {
    if (auto* r = KeyboardRequestStates::shared().at(keyboard)) r->fnCorrections = kCorrectionsPerChange;
}

void correct(int keyboard, void (*send)(int)) {
    auto* r = KeyboardRequestStates::shared().at(keyboard);
    if (r && KeyboardRequestStates::takeCorrection(r->fnCorrections)) send(keyboard);
}

void showFnInversion(int keyboard, bool state) {
    const auto k = static_cast<std::size_t>(keyboard);
    LogiKeybsUI::shared().k.modify([&](LogiKeybUIList& l) { l[k].fnInversion = state; });
}

} // namespace

void hidppSetFnInversion(int keyboard) {
    grantCorrection(keyboard);
    sendFnInversion(keyboard);
}

void hidppSetFnInversionMultiHost(int keyboard) {
    grantCorrection(keyboard);
    sendFnInversionMultiHost(keyboard);
}

void handleFnInversionReply(int keyboard, ReportBytes report) {
    if (!isKeyboardIndex(keyboard)) return;
    const bool state = byteAt(report, fn::kStateByte) & 1;
    auto options = keyboardOptions(keyboard);
    if (byteAt(report, hidpp::kAddressAt) < kFunctionZeroEnd && options && state != storedFnInversion(*options))
        correct(keyboard, &sendFnInversion);
    showFnInversion(keyboard, state);
}

void handleFnInversionMultiHostReply(int keyboard, ReportBytes report) {
    if (!isKeyboardIndex(keyboard)) return;
    const bool state = byteAt(report, mh::kStateByte) & 1;
    const std::uint8_t byte3 = byteAt(report, hidpp::kAddressAt);
    if (auto options = keyboardOptions(keyboard)) {
        if (byte3 == kEvent) {
            LogiKeysOpt::shared().k.modify([&](std::vector<LogiKeyOpt>& l) { l[*options].fnInversion = state; });
        } else if (byte3 < kFunctionZeroEnd && state != storedFnInversion(*options)) {
            correct(keyboard, &sendFnInversionMultiHost);
        }
    }
    showFnInversion(keyboard, state);
}

} // namespace corv::logitech
