#include "logitech/ControlDiversion.h"

#include "logitech/Hidpp20.h"
#include "logitech/HidppReport.h"
#include "logitech/KeyboardAccess.h"
#include "logitech/LogiKeybs.h"
#include "logitech/ReprogControls.h"
#include "logitech/SoftwareId.h"
#include "model/LogiKeysOpt.h"

namespace corv::logitech {

std::vector<DivertRequest> divertPlan(const LogiKeyOpt& options) {
    std::vector<DivertRequest> plan;
    for (const auto& [id, flags] : options.id1b04List)
        if (isDivertableControl(flags)) plan.push_back({id, options.key.count(id) > 0});
    return plan;
}

void updateControlDiversionAsync() { updateControlDiversion(); }

void updateControlDiversion() {
    for (std::size_t k = 0; k < kKeyboardCount; ++k) {
        const int keyboard = static_cast<int>(k);
        auto options = keyboardOptions(keyboard);
        if (!options || LogiKeysOpt::shared().k()[*options].id1b04List.empty()) continue;
        auto target = featureTarget(keyboard, FeatureID::ID_1B04);
        if (!target) continue;
        Bytes request = newFeatureRequest();
        request[hidpp::kDeviceIndexAt] = target->usbIndex;
        request[hidpp::kSubIdAt] = target->featureIndex;
        request[hidpp::kAddressAt] = hidpp20::functionByte(hidpp20::controls::kSetReporting, nextSoftwareId());
        for (const auto& d : divertPlan(LogiKeysOpt::shared().k()[*options])) {
            writeDivertParams(request, d.controlId, d.bound);
            target->send(target->dev, request, [](const HidppReply&) {});
        }
    }
}

} // namespace corv::logitech
