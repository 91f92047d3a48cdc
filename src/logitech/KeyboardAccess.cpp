#include "logitech/KeyboardAccess.h"

#include "logitech/Hidpp20.h"
#include "logitech/HidppReport.h"
#include "logitech/LogiKeybs.h"
#include "logitech/SoftwareId.h"
#include "model/LogiKeysOpt.h"

namespace corv::logitech {

namespace {

constexpr const char* kBluetooth = "Bluetooth";
constexpr const char* kUsb = "USB";

} // namespace

std::optional<std::size_t> keyboardOptions(int keyboard) {
    if (!isKeyboardIndex(keyboard)) return std::nullopt;
    const int index = LogiKeybsUI::shared().k()[static_cast<std::size_t>(keyboard)].optIndex;
    if (index < 0 || static_cast<std::size_t>(index) >= LogiKeysOpt::shared().k().size()) return std::nullopt;
    return static_cast<std::size_t>(index);
}

std::optional<std::uint8_t> featureIndex(std::size_t options, FeatureID feature) {
    const auto& list = LogiKeysOpt::shared().k();
    if (options >= list.size()) return std::nullopt;
    const auto& map = list[options].featureMap;
    auto it = map.find(static_cast<std::int64_t>(feature));
    if (it == map.end()) return std::nullopt;
    return it->second;
}

std::optional<HidppSender> chooseHidppSender(int keyboard) {
    if (!isKeyboardIndex(keyboard)) return std::nullopt;
    const LogiKeybNoUI& k = LogiKeybsNoUI::shared().k()[static_cast<std::size_t>(keyboard)];
    if (!k.dev) return std::nullopt;
    auto transport = k.dev->stringProperty(platform::kHidTransportKey);
    if (!transport || transport->find(kBluetooth) != std::string::npos) return &sendHidppLongDirect;
    if (transport->find(kUsb) != std::string::npos)
        return k.usbIndex == kDirectIndex ? &sendHidppLongDirect : &sendHidppLong;
    return std::nullopt;
}

Bytes newFeatureRequest() {
    Bytes b(hidpp::kLongLength, 0);
    b[hidpp::kReportIdAt] = hidpp::kLongReportId;
    b[hidpp::kDeviceIndexAt] = hidpp::kReceiverIndex;
    return b;
}

std::optional<FeatureTarget> featureTarget(int keyboard, FeatureID feature) {
    if (!isKeyboardIndex(keyboard)) return std::nullopt;
    const LogiKeybNoUI& k = LogiKeybsNoUI::shared().k()[static_cast<std::size_t>(keyboard)];
    if (!k.valid || !k.dev) return std::nullopt;
    auto send = chooseHidppSender(keyboard);
    if (!send) return std::nullopt;
    auto options = keyboardOptions(keyboard);
    if (!options) return std::nullopt;
    auto index = featureIndex(*options, feature);
    if (!index) return std::nullopt;
    return FeatureTarget{k.dev, *send, k.usbIndex, *options, *index};
}

void sendFeatureRequest(const FeatureTarget& target, std::uint8_t function, std::initializer_list<std::uint8_t> params,
                        HidppDone done) {
    Bytes b = newFeatureRequest();
    b[hidpp::kDeviceIndexAt] = target.usbIndex;
    b[hidpp::kSubIdAt] = target.featureIndex;
    b[hidpp::kAddressAt] = hidpp20::functionByte(function, nextSoftwareId());
    std::size_t at = hidpp::kParamsAt;
    for (auto p : params) {
        if (at >= b.size()) break;
        b[at++] = p;
    }
    target.send(target.dev, std::move(b), done ? std::move(done) : [](const HidppReply&) {});
}

} // namespace corv::logitech
