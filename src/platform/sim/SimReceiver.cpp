#include "platform/sim/SimReceiver.h"

#include <algorithm>

namespace corv::sim {

namespace {

constexpr std::uint8_t kShort = 0x10;
constexpr std::uint8_t kLong = 0x11;
constexpr std::uint8_t kSelf = 0xFF;
constexpr std::uint8_t kErrInvalidAddress = 0x02;
constexpr std::uint8_t kErrInvalidValue = 0x03;

std::uint16_t defaultProductId(SimReceiverKind kind) {
    switch (kind) {
    case SimReceiverKind::Unifying: return 0xC52B;
    case SimReceiverKind::Bolt: return 0xC548;
    case SimReceiverKind::Lightspeed: return 0xC539;
    }
    return 0;
}

Bytes shortReport(std::uint8_t index, std::uint8_t sub, std::uint8_t a, std::uint8_t p0 = 0, std::uint8_t p1 = 0,
                  std::uint8_t p2 = 0) {
    return {kShort, index, sub, a, p0, p1, p2};
}

Bytes longReport(std::uint8_t index, std::uint8_t sub, std::uint8_t a) {
    Bytes r(20, 0);
    r[0] = kLong;
    r[1] = index;
    r[2] = sub;
    r[3] = a;
    return r;
}

// The connection notice of a paired slot.
Bytes connectionNotice(int slot, const SimPairedDevice& s) {
    return shortReport(static_cast<std::uint8_t>(slot + 1), 0x41, 0x04,
                       static_cast<std::uint8_t>(s.kind | (s.connected ? 0 : 0x40)), 0x34, 0x12);
}

} // namespace

SimReceiver::SimReceiver(SimHidDevices& hid, SimReceiverKind k, std::uint16_t productId) : kind(k), hid_(hid) {
    if (productId == 0) productId = defaultProductId(k);
    device = hid.makeDevice({{platform::kHidVendorIdKey, std::int64_t{0x046D}},
                             {platform::kHidProductIdKey, std::int64_t{productId}},
                             {platform::kHidPrimaryUsagePageKey, std::int64_t{0xFF00}},
                             {platform::kHidPrimaryUsageKey, std::int64_t{1}},
                             {platform::kHidTransportKey, std::string("USB")},
                             {platform::kHidManufacturerKey, std::string("Logitech")},
                             {platform::kHidProductKey, std::string("USB Receiver")}},
                            {{0xFF00, 1}});
    device->onWrite = [this](const Bytes& r) { handle(r); };
}

SimReceiver::~SimReceiver() { device->onWrite = nullptr; }

void SimReceiver::send(Bytes report, double extraDelay) { device->sendInput(std::move(report), replyDelay + extraDelay); }

void SimReceiver::drop(Bytes match, int times) { modes_.push_back({std::move(match), ModeKind::Drop, 0, 0, times}); }
void SimReceiver::delay(Bytes match, double seconds, int times) {
    modes_.push_back({std::move(match), ModeKind::Delay, seconds, 0, times});
}
void SimReceiver::fail(Bytes match, std::uint8_t errorCode, int times) {
    modes_.push_back({std::move(match), ModeKind::Error, 0, errorCode, times});
}

void SimReceiver::handle(const Bytes& request) {
    if (request.size() < 7) {
        unknown.push_back(request);
        return;
    }
    for (auto& m : modes_) {
        if (m.times == 0) continue;
        if (request.size() < 2 + m.match.size() || !std::equal(m.match.begin(), m.match.end(), request.begin() + 2))
            continue;
        if (m.times > 0) --m.times;
        switch (m.kind) {
        case ModeKind::Drop: return;
        case ModeKind::Delay: answer(request, m.seconds); return;
        case ModeKind::Error:
            if (request[0] == kLong && request[1] != kSelf) {
                Bytes e = longReport(request[1], 0xFF, request[2]);
                e[4] = request[3];
                e[5] = m.error;
                send(std::move(e));
            } else {
                send(shortReport(request[1], 0x8F, request[2], request[3], m.error));
            }
            return;
        }
    }
    answer(request, 0);
}

void SimReceiver::answer(const Bytes& request, double extraDelay) {
    for (auto& r : answersTo(request)) send(std::move(r), extraDelay);
}

std::vector<Bytes> SimReceiver::answersTo(const Bytes& r) {
    if (r[1] != kSelf) {
        if (onDeviceRequest && r[1] >= 1 && r[1] <= 6)
            onDeviceRequest(*this, r);
        else
            unknown.push_back(r);
        return {};
    }
    const std::uint8_t sub = r[2], address = r[3], p0 = r[4], p1 = r[5];
    if (sub == 0x81 && address == 0x00) return {shortReport(kSelf, 0x81, 0x00, 0, flags, 0)};
    if (sub == 0x80 && address == 0x00) {
        flags = p1;
        return {shortReport(kSelf, 0x80, 0x00)};
    }
    if (sub == 0x80 && address == 0x02) {
        std::vector<Bytes> out{shortReport(kSelf, 0x80, 0x02)};
        if (p0 & 0x02) {
            for (int n = 0; n < 6; ++n) {
                const auto& s = slots[static_cast<std::size_t>(n)];
                if (s.kind != 0) out.push_back(connectionNotice(n, s));
            }
        }
        return out;
    }
    if (sub == 0x83 && address == 0xB5) {
        int slot = -1;
        const bool bolt = kind == SimReceiverKind::Bolt;
        if (!bolt && p0 >= 0x40 && p0 <= 0x45) slot = p0 - 0x40;
        if (bolt && p0 >= 0x61 && p0 <= 0x66) slot = p0 - 0x61;
        if (slot < 0 || slots[static_cast<std::size_t>(slot)].kind == 0)
            return {shortReport(kSelf, 0x8F, sub, address, kErrInvalidValue)};
        const std::string& name = slots[static_cast<std::size_t>(slot)].name;
        Bytes a = longReport(kSelf, 0x83, 0xB5);
        a[4] = p0;
        const std::size_t first = bolt ? 7 : 6;
        if (bolt) a[5] = 0x01;
        a[first - 1] = static_cast<std::uint8_t>(std::min<std::size_t>(name.size(), 20 - first));
        for (std::size_t i = 0; i < name.size() && first + i < 20; ++i) a[first + i] = static_cast<std::uint8_t>(name[i]);
        return {a};
    }
    unknown.push_back(r);
    return {shortReport(kSelf, 0x8F, sub, address, kErrInvalidAddress)};
}

void SimReceiver::announce(int slot) {
    if (slot < 0 || slot > 5) return;
    send(connectionNotice(slot, slots[static_cast<std::size_t>(slot)]));
}

void SimReceiver::unpair(int slot) {
    if (slot < 0 || slot > 5) return;
    slots[static_cast<std::size_t>(slot)] = SimPairedDevice{};
    send(shortReport(static_cast<std::uint8_t>(slot + 1), 0x40, 0x02));
}

void SimReceiver::pairingLock(bool open) { send(shortReport(kSelf, 0x4A, open ? 1 : 0)); }

void SimReceiver::pairingInfo(std::uint8_t deviceKind) {
    Bytes r = longReport(kSelf, 0x4F, 0);
    r[5] = 0;
    r[7] = deviceKind;
    send(r);
}

void SimReceiver::passkey(const std::string& digits) {
    Bytes r = longReport(kSelf, 0x4D, static_cast<std::uint8_t>(digits.size()));
    for (std::size_t i = 0; i < digits.size() && 4 + i < 20; ++i) r[4 + i] = static_cast<std::uint8_t>(digits[i]);
    send(r);
}

void SimReceiver::passkeyKey(std::uint8_t press) { send(longReport(kSelf, 0x4E, press)); }

void SimReceiver::pairingEnded() { send(longReport(kSelf, 0x54, 0)); }

} // namespace corv::sim
