#include "engine/KeyboardServices.h"

#include "logitech/DongleType.h"
#include "model/KeySubOpt.h"
#include "model/Shared.h"
#include "platform/Platform.h"

#include <algorithm>

namespace corv::engine {

namespace {

using platform::HidProperty;
using platform::HidPropertyDict;
using platform::HidService;

const HidPropertyDict& keyboardMatching() {
    static const HidPropertyDict m{{"DeviceUsagePage", 1}, {"DeviceUsage", 6}};
    return m;
}

std::optional<HidProperty> property(HidService service, const char* key) {
    return platform::hidEventSystem().copyProperty(service, key);
}

std::string stringOr(HidService service, const char* key, const char* fallback) {
    auto v = property(service, key);
    return v && v->string() ? *v->string() : std::string(fallback);
}

std::optional<std::int64_t> integer(HidService service, const char* key) {
    auto v = property(service, key);
    if (v && v->integer()) return *v->integer();
    return std::nullopt;
}

std::int64_t reportDescriptorSum(HidService service) {
    auto v = property(service, "ReportDescriptor");
    if (!v || !v->data()) return 0;
    std::int64_t sum = 0;
    for (std::uint8_t b : *v->data()) sum += b;
    return sum;
}

// "DeviceUsagePairs" holds only string-to-integer dictionaries, one of them
// exactly the keyboard's.
bool listsKeyboardUsage(HidService service) {
    auto v = property(service, "DeviceUsagePairs");
    if (!v || !v->array()) return false;
    bool found = false;
    for (const HidProperty& pair : *v->array()) {
        const HidPropertyDict* d = pair.dict();
        if (!d) return false;
        for (const auto& [key, value] : *d)
            if (!value.integer()) return false;
        if (*d == keyboardMatching()) found = true;
    }
    return found;
}

HidProperty mappingEntry(std::int64_t src, std::int64_t dst) {
    HidPropertyDict entry;
    entry.emplace(kMappingSrcKey, HidProperty(src));
    entry.emplace(kMappingDstKey, HidProperty(dst));
    return entry;
}

bool belongsTo(const KeySub& ks, const std::string& name, const std::string& maker, std::int64_t sum) {
    return ks.name.product == name && ks.name.vendor == maker && ks.reportDescSum == sum;
}

const KeySub* findKeySub(const std::string& name, const std::string& maker, std::int64_t sum) {
    for (const KeySub& ks : KeySubOpt::shared().keySub.get())
        if (belongsTo(ks, name, maker, sum)) return &ks;
    return nullptr;
}

void writeMapping(HidService service, const KeySub& ks) {
    platform::hidEventSystem().setProperty(service, kUserKeyMappingKey, userKeyMappingEntries(ks));
}

platform::HidClient hidServiceClient() {
    auto& c = KeyboardServiceClient::shared();
    if (!c.clientMade) {
        c.client = platform::hidEventSystem().createClient();
        c.clientMade = true;
    }
    return c.client;
}

} // namespace

KeyData& KeyData::shared() { return Shared<KeyData>::instance(); }
KeyboardServiceClient& KeyboardServiceClient::shared() { return Shared<KeyboardServiceClient>::instance(); }

std::optional<std::string> receiverKindName(std::optional<std::int64_t> vendorId,
                                            std::optional<std::int64_t> productId) {
    if (vendorId != kLogitechVendorId || !productId || *productId < 0 || *productId > 0xFFFF) return std::nullopt;
    auto kind = logitech::dongleTypeForProduct(static_cast<std::uint16_t>(*productId));
    if (!kind) return std::nullopt;
    switch (*kind) {
    case logitech::DongleType::Bolt: return "Bolt Receiver";
    case logitech::DongleType::Unifying: return "Unifying Receiver";
    case logitech::DongleType::Lightspeed: return "Lightspeed Receiver";
    }
    return std::nullopt;
}

platform::HidPropertyArray userKeyMappingEntries(const KeySub& keySub) {
    platform::HidPropertyArray entries;
    const std::size_t pairs = std::min(keySub.subItemsSrc.size(), keySub.subItemsDst.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        const auto src = static_cast<std::int64_t>(keySub.subItemsSrc[i]);
        const auto dst = static_cast<std::int64_t>(keySub.subItemsDst[i]);
        if (src == dst) continue;
        entries.push_back(mappingEntry(src, dst));
        if (i < keySub.subBidir.size() && keySub.subBidir[i]) entries.push_back(mappingEntry(dst, src));
    }
    return entries;
}

void startHidServiceWatch() {
    auto& hid = platform::hidEventSystem();
    const platform::HidClient client = hidServiceClient();
    // Without a client the substitutions are given up for this run.
    if (client == 0) return;
    hid.setMatching(client, keyboardMatching());
    hid.registerDeviceMatchingBlock(client, [](HidService service) {
        if (service != 0) setupHidService(service);
    });
    if (auto services = hid.copyServices(client))
        for (HidService service : *services) setupHidService(service);
    hid.scheduleWithMainQueue(client);
}

void setupHidService(HidService service) {
    const std::string product = stringOr(service, "Product", "Unknown");
    const std::string maker = stringOr(service, "Manufacturer", "Unknown");
    const std::int64_t sum = reportDescriptorSum(service);

    for (const KeySubData& entry : KeyData::shared().k.get())
        if (entry.service == service || entry.name == product) return;

    const auto primaryPage = integer(service, "PrimaryUsagePage");
    const auto primaryUsage = integer(service, "PrimaryUsage");
    auto transport = property(service, "Transport");
    if (!listsKeyboardUsage(service) || !primaryPage || !primaryUsage || !transport || !transport->string()) return;
    if (transport->string()->find("Bluetooth") != std::string::npos && (*primaryPage != 1 || *primaryUsage != 6))
        return;

    platform::hidEventSystem().registerRemovalBlock(service, [](HidService gone) { removeHidService(gone); });
    std::string name = product;
    if (auto kind = receiverKindName(integer(service, "VendorID"), integer(service, "ProductID"))) name = *kind;
    KeyData::shared().k.modify([&](std::vector<KeySubData>& k) { k.push_back(KeySubData{service, name}); });

    if (!findKeySub(name, maker, sum)) {
        KeySub fresh;
        fresh.name = DeviceName{name, maker};
        fresh.reportDescSum = sum;
        KeySubOpt::shared().keySub.modify([&](std::vector<KeySub>& list) { list.push_back(std::move(fresh)); });
    }
    if (KeySubOpt::shared().subGlobalEn.get()) applyModifierMapping(service);
}

void removeHidService(HidService service) {
    const auto& k = KeyData::shared().k.get();
    auto it = std::find_if(k.begin(), k.end(), [&](const KeySubData& e) { return e.service == service; });
    if (it == k.end()) return;
    const auto index = static_cast<std::size_t>(it - k.begin());
    KeyData::shared().k.modify([&](std::vector<KeySubData>& list) {
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(index));
    });
}

void applyModifierMapping(HidService service) {
    const auto entries = KeyData::shared().k.get();
    for (const KeySubData& entry : entries) {
        if (entry.service != service) continue;
        if (const KeySub* ks =
                findKeySub(entry.name, stringOr(service, "Manufacturer", "Unknown"), reportDescriptorSum(service)))
            writeMapping(service, *ks);
    }
}

void applyKeySubMapping(const KeySub& keySub) {
    // Every keyboard of the model: two of the same kind share one record.
    for (const KeySubData& entry : KeyData::shared().k.get()) {
        if (belongsTo(keySub, entry.name, stringOr(entry.service, "Manufacturer", "Unknown"),
                      reportDescriptorSum(entry.service))) {
            writeMapping(entry.service, keySub);
        }
    }
}

std::optional<std::size_t> keySubIndexOf(const KeySubData& entry) {
    const std::string maker = stringOr(entry.service, "Manufacturer", "Unknown");
    const std::int64_t sum = reportDescriptorSum(entry.service);
    const auto& all = KeySubOpt::shared().keySub.get();
    for (std::size_t i = 0; i < all.size(); ++i)
        if (belongsTo(all[i], entry.name, maker, sum)) return i;
    return std::nullopt;
}

void clearKeyMappings() {
    for (const KeySubData& entry : KeyData::shared().k.get())
        platform::hidEventSystem().setProperty(entry.service, kUserKeyMappingKey, platform::HidPropertyArray{});
}

} // namespace corv::engine
