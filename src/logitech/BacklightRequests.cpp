#include "logitech/BacklightRequests.h"

#include "logitech/BacklightWords.h"
#include "logitech/HidppReport.h"
#include "logitech/KeyboardAccess.h"
#include "logitech/KeyboardRequests.h"
#include "logitech/LogiKeybs.h"
#include "model/LogiKeysOpt.h"

namespace corv::logitech {

namespace {

namespace bl = hidpp20::backlight;

void sendBacklightConfig(int keyboard) {
    auto t = featureTarget(keyboard, FeatureID::ID_1982);
    if (!t) return;
    const LogiKeyOpt& opt = LogiKeysOpt::shared().k()[t->options];
    const auto p = backlightConfigParams({opt.backLight, opt.backLightOptions});
    sendFeatureRequest(*t, bl::kSetConfig,
                       {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8], p[9], p[10], p[11]});
}

// The shown words of keyboard i beside the stored words of its options.
BacklightPair wordsOf(std::size_t keyboard, std::size_t options) {
    const LogiKeybUI& u = LogiKeybsUI::shared().k()[keyboard];
    const LogiKeyOpt& o = LogiKeysOpt::shared().k()[options];
    return {{u.backLight, u.backLightOptions}, {o.backLight, o.backLightOptions}};
}

void store(std::size_t keyboard, std::size_t options, const BacklightPair& w) {
    LogiKeybsUI::shared().k.modify([&](LogiKeybUIList& l) {
        l[keyboard].backLight = w.shown.backLight;
        l[keyboard].backLightOptions = w.shown.backLightOptions;
    });
    LogiKeysOpt::shared().k.modify([&](std::vector<LogiKeyOpt>& l) {
        l[options].backLight = w.setting.backLight;
        l[options].backLightOptions = w.setting.backLightOptions;
    });
}

} // namespace

void hidppSetBacklightConfig(int keyboard) {
    if (auto* r = KeyboardRequestStates::shared().at(keyboard)) r->backlightCorrections = kCorrectionsPerChange;
    sendBacklightConfig(keyboard);
}

void hidppReadBacklight(int keyboard) {
    auto t = featureTarget(keyboard, FeatureID::ID_1982);
    auto* r = KeyboardRequestStates::shared().at(keyboard);
    if (!t || !r) return;
    // A read still pending takes the place of a new one.
    auto read = [&](std::uint8_t function, bool KeyboardRequests::*pending) {
        if (r->*pending) return;
        r->*pending = true;
        sendFeatureRequest(*t, function, {}, [keyboard, pending](const HidppReply&) {
            if (auto* s = KeyboardRequestStates::shared().at(keyboard)) s->*pending = false;
        });
    };
    read(bl::kGetConfig, &KeyboardRequests::backlightConfigRead);
    read(bl::kGetInfo, &KeyboardRequests::backlightInfoRead);
}

void handleBacklightReply(int keyboard, ReportBytes report) {
    auto options = keyboardOptions(keyboard);
    if (!options || report.size() <= hidpp::kAddressAt) return;
    const auto k = static_cast<std::size_t>(keyboard);
    const std::uint8_t f = report[hidpp::kAddressAt];
    if (hidpp20::softwareIdOf(f) == 0) {
        if (f == 0) store(k, *options, applyBacklightInfo(wordsOf(k, *options), report));
        return;
    }
    switch (hidpp20::functionOf(f)) {
    case bl::kGetConfig: {
        const BacklightPair w = applyBacklightConfig(wordsOf(k, *options), report);
        store(k, *options, w);
        auto* r = KeyboardRequestStates::shared().at(keyboard);
        const bool differs = backlightSwitchDiffers(w.setting, report);
        if (differs && r && KeyboardRequestStates::takeCorrection(r->backlightCorrections))
            sendBacklightConfig(keyboard);
        break;
    }
    case bl::kSetConfig: hidppReadBacklight(keyboard); break;
    case bl::kGetInfo: store(k, *options, applyBacklightInfo(wordsOf(k, *options), report)); break;
    default: break;
    }
}

} // namespace corv::logitech
