#include "logitech/FeatureDiscovery.h"

#include "logitech/ControlDiversion.h"
#include "logitech/Hidpp20.h"
#include "logitech/HidppReport.h"
#include "logitech/HostPlatforms.h"
#include "logitech/KeyboardAccess.h"
#include "logitech/KeyboardRequests.h"
#include "logitech/LogiKeybs.h"
#include "logitech/ReprogControls.h"
#include "logitech/SoftwareId.h"
#include "model/LogiKeysOpt.h"

#include <array>
#include <memory>

namespace corv::logitech {

namespace {

namespace h = hidpp20;

constexpr std::array<FeatureID, 4> kFirstRoots{FeatureID::ID_1000, FeatureID::ID_1001, FeatureID::ID_1004,
                                               FeatureID::ID_4531};
constexpr std::array<FeatureID, 3> kLaterRoots{FeatureID::ID_40A2, FeatureID::ID_40A3, FeatureID::ID_1982};

// One discovery run: one request buffer whose bytes carry over from request to
// request, and a chain of steps, each continuing when its answer has come.
class DiscoveryRun : public std::enable_shared_from_this<DiscoveryRun> {
public:
    DiscoveryRun(int keyboard, platform::HidDeviceRef dev, HidppSender send, std::uint8_t usbIndex,
                 std::size_t options, std::function<void(int)> done)
        : keyboard_(keyboard), k_(static_cast<std::size_t>(keyboard)), dev_(std::move(dev)), send_(send),
          usbIndex_(usbIndex), options_(options), done_(std::move(done)) {
        buffer_ = newFeatureRequest();
        buffer_[hidpp::kDeviceIndexAt] = usbIndex;
    }

    void start() {
        if (auto* r = KeyboardRequestStates::shared().at(keyboard_)) {
            run_ = ++r->discoveryRun;
            r->fnCorrections = kCorrectionsPerChange;
            r->backlightCorrections = kCorrectionsPerChange;
        }
        firstRoots(0);
    }

private:
    std::optional<std::uint8_t> index(FeatureID f) const { return featureIndex(options_, f); }
    const LogiKeyOpt& opt() const { return LogiKeysOpt::shared().k()[options_]; }

    // The keyboard is still the one this run started for, linked to the same
    // options, and no later run has started for it.
    bool current() const {
        const auto* r = KeyboardRequestStates::shared().at(keyboard_);
        if (!r || r->discoveryRun != run_) return false;
        const LogiKeybNoUI& k = LogiKeybsNoUI::shared().k()[k_];
        return k.valid && k.dev == dev_ && k.usbIndex == usbIndex_ && keyboardOptions(keyboard_) == options_;
    }

    void finish(int result) {
        auto done = std::move(done_);
        done_ = nullptr;
        if (done) done(result);
    }

    // Writes bytes 2 and 3 and the given parameters, sends, and continues with
    // `next` when answered, or finishes with `failure` when not.
    using Params = std::initializer_list<std::pair<std::size_t, std::uint8_t>>;  // (byte, value)

    void send(std::uint8_t featureIndex, std::uint8_t function, Params params, int failure,
              std::function<void(const HidppReply&)> next) {
        buffer_[hidpp::kSubIdAt] = featureIndex;
        buffer_[hidpp::kAddressAt] = h::functionByte(function, nextSoftwareId());
        for (const auto& [at, value] : params) buffer_[at] = value;
        sendBuffer(failure, std::move(next));
    }

    void sendBuffer(int failure, std::function<void(const HidppReply&)> next, std::function<void()> ended = {}) {
        auto self = shared_from_this();
        auto answered = [self, failure, next = std::move(next), ended = std::move(ended)](const HidppReply& reply) {
            if (ended) ended();
            if (!self->current()) return self->finish(kDiscoveryNoKeyboard);
            if (!reply.answered()) return self->finish(failure);
            next(reply);
        };
        send_(dev_, buffer_, std::move(answered));
    }

    // Root requests are awaited until they end, answered or not: an answer
    // after that is not taken (see the report parser).
    void root(FeatureID feature, int failure, std::function<void(const HidppReply&)> then) {
        LogiKeybsNoUI::shared().k.modify([&](LogiKeybNoUIList& l) { l[k_].featInQuest = feature; });
        const std::uint16_t id = hidppFeatureNumber(feature);
        buffer_[hidpp::kSubIdAt] = h::kRootFeatureIndex;
        buffer_[hidpp::kAddressAt] = h::functionByte(h::root::kGetFeature, nextSoftwareId());
        hidpp::writeBE16(buffer_.data() + h::root::kFeatureIdByte, id);
        const std::uint8_t awaited = buffer_[hidpp::kAddressAt];
        if (auto* r = KeyboardRequestStates::shared().at(keyboard_)) r->rootAwaited = awaited;
        sendBuffer(failure, std::move(then), [this, awaited] { clearRoot(awaited); });
    }

    void clearRoot(std::uint8_t awaited) {
        auto* r = KeyboardRequestStates::shared().at(keyboard_);
        if (r && r->rootAwaited == awaited) r->rootAwaited.reset();
    }

    void firstRoots(std::size_t n) {
        if (n == kFirstRoots.size()) return platformInfo();
        root(kFirstRoots[n], kDiscoveryFirstRoots, [this, n](const HidppReply&) { firstRoots(n + 1); });
    }

    void platformInfo() {
        auto idx = index(FeatureID::ID_4531);
        if (!idx) return laterRoots(0);
        send(*idx, h::platforms::kGetInfo, {}, kDiscoveryRead, [this](const HidppReply& reply) {
            const PlatformInfo info = reply.ok() ? decodePlatformInfo(reply.report) : PlatformInfo{};
            if (!info.canChangePlatform) return laterRoots(0);
            LogiKeysOpt::shared().k.modify([&](std::vector<LogiKeyOpt>& l) { l[options_].platformList.clear(); });
            platformDescriptors(0, info.platformCount);
        });
    }

    void platformDescriptors(std::uint8_t n, std::uint8_t count) {
        auto idx = index(FeatureID::ID_4531);
        if (n >= count || !idx) return laterRoots(0);
        send(*idx, h::platforms::kGetDescriptor, {{h::platforms::kDescriptorRequestByte, n}}, kDiscoveryDescriptor,
             [this, n, count](const HidppReply&) { platformDescriptors(static_cast<std::uint8_t>(n + 1), count); });
    }

    void laterRoots(std::size_t n) {
        if (n == kLaterRoots.size())
            return root(FeatureID::ID_1B04, kDiscoveryControls, [this](const HidppReply&) { controlCount(); });
        root(kLaterRoots[n], kDiscoveryLaterRoots, [this, n](const HidppReply&) { laterRoots(n + 1); });
    }

    void controlCount() {
        auto idx = index(FeatureID::ID_1B04);
        if (!idx) return battery(0);
        LogiKeysOpt::shared().k.modify([&](std::vector<LogiKeyOpt>& l) { l[options_].id1b04List.clear(); });
        send(*idx, h::controls::kGetCount, {}, kDiscoveryControlCount, [this](const HidppReply& reply) {
            // An error answer holds no count.
            const std::uint8_t count = reply.ok() ? reply.report[h::controls::kCountByte] : 0;
            if (auto* r = KeyboardRequestStates::shared().at(keyboard_)) r->controlCount = count;
            controlInfo(0, count);
        });
    }

    void controlInfo(std::uint8_t n, std::uint8_t count) {
        auto idx = index(FeatureID::ID_1B04);
        if (n >= count || !idx) return battery(0);
        send(*idx, h::controls::kGetInfo, {{h::controls::kInfoRequestByte, n}, {h::controls::kInfoRequestByte + 1, 0}},
             kDiscoveryControlInfo,
             [this, n, count](const HidppReply&) { controlInfo(static_cast<std::uint8_t>(n + 1), count); });
    }

    void battery(int n) {
        struct Read {
            FeatureID feature;
            std::uint8_t function;
        };
        static constexpr std::array<Read, 3> kReads{{{FeatureID::ID_1000, h::battery::kGetLevel},
                                                     {FeatureID::ID_1001, h::voltage::kGetVoltage},
                                                     {FeatureID::ID_1004, h::unifiedBattery::kGetStatus}}};
        for (; n < static_cast<int>(kReads.size()); ++n) {
            auto idx = index(kReads[static_cast<std::size_t>(n)].feature);
            if (!idx) continue;
            return send(*idx, kReads[static_cast<std::size_t>(n)].function, {}, kDiscoveryRead,
                        [this, n](const HidppReply&) { battery(n + 1); });
        }
        hostPlatform();
    }

    void hostPlatform() {
        auto idx = index(FeatureID::ID_4531);
        if (!idx) return fnInversion();
        send(*idx, h::platforms::kGetInfo, {}, kDiscoveryRead, [this](const HidppReply& reply) {
            if (!reply.ok()) return fnInversion();
            const PlatformInfo info = decodePlatformInfo(reply.report);
            auto target = platformToSwitchTo(opt().platformList, info.currPlatform);
            auto idx = index(FeatureID::ID_4531);
            if (!target || !idx) return fnInversion();
            send(*idx, h::platforms::kSetHostPlatform,
                 {{h::platforms::kHostChannelByte, info.currChannel}, {h::platforms::kHostPlatformByte, *target}},
                 kDiscoveryLaterRoots, [this](const HidppReply&) { fnInversion(); });
        });
    }

    void fnInversion() {
        auto idx = index(FeatureID::ID_40A2);
        if (!idx) return fnInversionMultiHost();
        send(*idx, h::fnInversion::kGet, {}, kDiscoveryRead, [this](const HidppReply&) { fnInversionMultiHost(); });
    }

    void fnInversionMultiHost() {
        auto idx = index(FeatureID::ID_40A3);
        if (!idx) return divert();
        send(*idx, h::fnInversionMultiHost::kGet,
             {{h::fnInversionMultiHost::kHostByte, h::fnInversionMultiHost::kCurrentHost}}, kDiscoveryRead,
             [this](const HidppReply&) { divert(); });
    }

    void divert() {
        auto idx = index(FeatureID::ID_1B04);
        if (!idx) return backlight();
        divertPlan_ = divertPlan(opt());
        divertNext(0);
    }

    void divertNext(std::size_t n) {
        auto idx = index(FeatureID::ID_1B04);
        if (n >= divertPlan_.size() || !idx) return backlight();
        buffer_[hidpp::kSubIdAt] = *idx;
        buffer_[hidpp::kAddressAt] = h::functionByte(h::controls::kSetReporting, nextSoftwareId());
        writeDivertParams(buffer_, divertPlan_[n].controlId, divertPlan_[n].bound);
        sendBuffer(kDiscoveryControls, [this, n](const HidppReply&) { divertNext(n + 1); });
    }

    void backlight() {
        auto idx = index(FeatureID::ID_1982);
        if (!idx) return finish(kDiscoveryOk);
        send(*idx, h::backlight::kGetConfig, {}, kDiscoveryRead, [this](const HidppReply&) {
            auto idx = index(FeatureID::ID_1982);
            if (!idx) return finish(kDiscoveryOk);
            send(*idx, h::backlight::kGetInfo, {}, kDiscoveryRead, [this](const HidppReply&) { finish(kDiscoveryOk); });
        });
    }

    int keyboard_;
    std::size_t k_;
    platform::HidDeviceRef dev_;
    HidppSender send_;
    std::uint8_t usbIndex_;
    std::size_t options_;
    std::function<void(int)> done_;
    Bytes buffer_;
    std::vector<DivertRequest> divertPlan_;
    std::uint64_t run_ = 0;
};

} // namespace

void discoverHidppFeatures(int keyboard, std::function<void(int)> done) {
    auto finish = [&done](int result) {
        if (done) done(result);
    };
    if (!isKeyboardIndex(keyboard)) return finish(kDiscoveryNoKeyboard);
    const LogiKeybNoUI k = LogiKeybsNoUI::shared().k()[static_cast<std::size_t>(keyboard)];
    if (!k.dev) return finish(kDiscoveryNoKeyboard);
    auto send = chooseHidppSender(keyboard);
    if (!send) return finish(kDiscoveryUnreachable);
    auto options = keyboardOptions(keyboard);
    if (!options) return finish(kDiscoveryNoKeyboard);
    std::make_shared<DiscoveryRun>(keyboard, k.dev, *send, k.usbIndex, *options, std::move(done))->start();
}

} // namespace corv::logitech
