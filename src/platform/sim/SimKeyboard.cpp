#include "platform/sim/SimKeyboard.h"

namespace corv::sim {

namespace {

constexpr std::uint8_t kLongReport = 0x11;
constexpr std::size_t kLongLength = 20;
constexpr std::uint8_t kErrorIndex = 0xFF;
constexpr std::uint8_t kErrOutOfRange = 0x03;

void putBe16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v & 0xFF);
}

Bytes errorAnswer(std::uint8_t deviceIndex, const Bytes& request, std::uint8_t code) {
    Bytes e(kLongLength, 0);
    e[0] = kLongReport;
    e[1] = deviceIndex;
    e[2] = kErrorIndex;
    e[3] = request[2];
    e[4] = request[3];
    e[5] = code;
    return e;
}

} // namespace

void SimKeyboard::addFeatures(std::initializer_list<std::pair<std::uint16_t, std::uint8_t>> table) {
    for (const auto& [id, index] : table) features[id] = index;
}

std::optional<std::uint16_t> SimKeyboard::featureAt(std::uint8_t index) const {
    if (index == 0) return kRoot;
    for (const auto& [id, at] : features)
        if (at == index) return id;
    return std::nullopt;
}

Bytes SimKeyboard::header(std::uint16_t feature, std::uint8_t byte3) const {
    Bytes b(kLongLength, 0);
    b[0] = kLongReport;
    b[1] = deviceIndex;
    auto it = features.find(feature);
    b[2] = it == features.end() ? 0 : it->second;
    b[3] = byte3;
    return b;
}

std::vector<SimKeyboard::Reply> SimKeyboard::handle(const Bytes& request) {
    received.push_back(request);
    if (request.size() < kLongLength || request[0] != kLongReport) return {};
    const std::uint8_t function = request[3] >> 4;
    auto feature = featureAt(request[2]);
    if (!feature) return {{errorAnswer(deviceIndex, request, kErrInvalidFeatureIndex)}};
    std::optional<Refusal> how;
    if (auto r = refusals.find({*feature, function}); r != refusals.end()) how = r->second;
    if (*feature == kRoot) {
        const auto asked = static_cast<std::uint16_t>(request[4] << 8 | request[5]);
        if (auto r = rootRefusals.find(asked); r != rootRefusals.end()) how = r->second;
    }
    bool keep = false;
    double delay = 0.0;
    if (how) {
        switch (*how) {
        case Refusal::Drop: return {};
        case Refusal::Error: return {{errorAnswer(deviceIndex, request, kErrInvalidArgument)}};
        case Refusal::KeepState: keep = true; break;
        case Refusal::Late: delay = lateSeconds; break;
        }
    }
    auto bytes = answer(*feature, function, request, keep);
    if (!bytes) return {{errorAnswer(deviceIndex, request, kErrInvalidFunction)}};
    return {{std::move(*bytes), delay}};
}

std::optional<Bytes> SimKeyboard::answer(std::uint16_t feature, std::uint8_t function, const Bytes& req, bool keep) {
    Bytes a(kLongLength, 0);
    a[0] = kLongReport;
    a[1] = deviceIndex;
    a[2] = req[2];
    a[3] = req[3];
    switch (feature) {
    case kRoot:
        if (function != 0) return std::nullopt;
        {
            auto it = features.find(static_cast<std::uint16_t>(req[4] << 8 | req[5]));
            a[4] = it == features.end() ? 0 : it->second;
        }
        return a;
    case kBatteryLevel:
    case kBatteryVoltage:
    case kUnifiedBattery:
        if (function != (feature == kUnifiedBattery ? 1 : 0)) return std::nullopt;
        putBattery(a, feature);
        return a;
    case kPlatforms:
        if (function == 0) {
            putPlatformInfo(a);
            return a;
        }
        if (function == 1) {
            const std::uint8_t n = req[4];
            if (n >= platforms.size()) return errorAnswer(deviceIndex, req, kErrOutOfRange);
            a[4] = platforms[n].index;
            a[5] = n;
            a[6] = platforms[n].osMask;
            return a;
        }
        if (function == 3) {
            if (!keep) currPlatform = req[5];
            a[4] = req[4];
            a[5] = req[5];
            return a;
        }
        return std::nullopt;
    case kFnInversion:
        if (function == 1 && !keep) fnInverted = req[4] & 1;
        if (function > 1) return std::nullopt;
        a[4] = fnInverted ? 1 : 0;
        return a;
    case kFnInversionMultiHost:
        if (function == 1 && !keep) fnInverted = req[5] & 1;
        if (function > 1) return std::nullopt;
        a[4] = req[4];
        a[5] = fnInverted ? 1 : 0;
        return a;
    case kBacklight:
        if (function == 1 && !keep) {
            backlight.on = req[4] != 0;
            backlight.mode = req[5];
            if (backlight.on) backlight.effect = req[6];
            backlight.level = req[7];
        }
        if (function == 0 || function == 1) {
            a[4] = backlight.on ? 1 : 0;
            a[5] = backlight.mode;
            a[7] = backlight.options;
            a[9] = backlight.level;
            return a;
        }
        if (function == 2) {
            a[4] = backlight.levels;
            a[5] = backlight.level;
            a[6] = backlight.status;
            a[7] = backlight.effect;
            return a;
        }
        return std::nullopt;
    case kControls:
        if (function == 0) {
            a[4] = static_cast<std::uint8_t>(controls.size());
            return a;
        }
        if (function == 1) {
            const std::uint8_t n = req[4];
            if (n >= controls.size()) return errorAnswer(deviceIndex, req, kErrOutOfRange);
            putBe16(a, 4, controls[n].id);
            a[8] = controls[n].flags;
            return a;
        }
        if (function == 3) {
            const std::uint16_t id = static_cast<std::uint16_t>(req[4] << 8 | req[5]);
            for (auto& c : controls)
                if (c.id == id && !keep) c.reporting = req[6];
            for (std::size_t n = 4; n <= 8; ++n) a[n] = req[n];
            return a;
        }
        return std::nullopt;
    default: return std::nullopt;
    }
}

void SimKeyboard::answerThrough(const Bytes& request, const std::function<void(Bytes, double)>& out) {
    for (auto& r : handle(request)) out(std::move(r.bytes), r.delay);
}

void SimKeyboard::pairWith(SimReceiver& receiver, std::uint8_t index) {
    deviceIndex = index;
    SimReceiver* r = &receiver;
    out_ = [r](Bytes b, double delay) { r->send(std::move(b), delay); };
    auto before = std::move(receiver.onDeviceRequest);
    std::weak_ptr<int> alive = alive_.p;
    receiver.onDeviceRequest = [this, alive, index, before](SimReceiver& from, const Bytes& request) {
        if (!alive.expired() && request.size() > 1 && request[1] == index)
            answerThrough(request, out_);
        else if (before)
            before(from, request);
        else
            from.unknown.push_back(request);
    };
}

std::shared_ptr<SimHidDevice> SimKeyboard::makeDirectDevice(SimHidDevices& hid, const std::string& transport,
                                                            const std::string& product) {
    deviceIndex = 0xFF;
    auto device = hid.makeDevice({{platform::kHidVendorIdKey, std::int64_t{0x046D}},
                                  {platform::kHidProductIdKey, std::int64_t{0xB35B}},
                                  {platform::kHidPrimaryUsagePageKey, std::int64_t{1}},
                                  {platform::kHidPrimaryUsageKey, std::int64_t{6}},
                                  {platform::kHidTransportKey, transport},
                                  {platform::kHidManufacturerKey, std::string("Logitech")},
                                  {platform::kHidProductKey, product}},
                                 {{1, 6}, {0xFF43, 0x0202}});
    std::weak_ptr<SimHidDevice> weak = device;
    out_ = [weak](Bytes b, double delay) {
        if (auto d = weak.lock()) d->sendInput(std::move(b), delay);
    };
    std::weak_ptr<int> alive = alive_.p;
    device->onWrite = [this, alive](const Bytes& request) {
        if (!alive.expired()) answerThrough(request, out_);
    };
    return device;
}

void SimKeyboard::emit(Bytes report) {
    if (out_) out_(std::move(report), 0.0);
}

Bytes SimKeyboard::divertedKeysEvent(std::initializer_list<std::uint16_t> held) const {
    Bytes e = header(kControls, 0);
    std::size_t at = 4;
    for (auto id : held) {
        if (at > 10) break;
        putBe16(e, at, id);
        at += 2;
    }
    return e;
}

Bytes SimKeyboard::fnInversionEvent(std::uint16_t feature) const {
    Bytes e = header(feature, 0);
    if (feature == kFnInversionMultiHost) {
        e[4] = 0xFF;
        e[5] = fnInverted ? 1 : 0;
    } else {
        e[4] = fnInverted ? 1 : 0;
    }
    return e;
}

void SimKeyboard::putBattery(Bytes& b, std::uint16_t feature) const {
    if (feature == kBatteryVoltage) {
        putBe16(b, 4, batteryMillivolts);
        b[6] = voltageFlags;
    } else if (feature == kUnifiedBattery) {
        b[4] = unifiedLevel;
        b[6] = unifiedCharging;
    } else {
        b[4] = batteryLevel;
        b[6] = batteryStatus;
    }
}

void SimKeyboard::putPlatformInfo(Bytes& b) const {
    b[4] = canChangePlatform ? 0x02 : 0x00;
    b[7] = static_cast<std::uint8_t>(platforms.size());
    b[9] = currChannel;
    b[10] = currPlatform;
}

Bytes SimKeyboard::batteryEvent(std::uint16_t feature) const {
    Bytes e = header(feature, 0);
    putBattery(e, feature);
    return e;
}

Bytes SimKeyboard::platformEvent() const {
    Bytes e = header(kPlatforms, 0);
    putPlatformInfo(e);
    return e;
}

} // namespace corv::sim
