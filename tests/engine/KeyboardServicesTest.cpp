#include "EngineFixture.h"
#include "HidServiceData.h"

#include "engine/KeyboardServices.h"
#include "model/KeySubOpt.h"

namespace corv::test {
namespace {

using engine::KeyData;
using engine::KeySubData;

namespace hid {
inline constexpr std::uint64_t A = 0x700000004, B = 0x700000005, C = 0x700000006, D = 0x700000007, E = 0x700000008,
                               CapsLock = 0x700000039, LeftControl = 0x7000000E0;
}

HidProperty mapping(std::uint64_t src, std::uint64_t dst) {
    HidPropertyDict d;
    d.emplace("HIDKeyboardModifierMappingSrc", HidProperty(static_cast<std::int64_t>(src)));
    d.emplace("HIDKeyboardModifierMappingDst", HidProperty(static_cast<std::int64_t>(dst)));
    return d;
}

class KeyboardServicesTest : public EngineTest {
protected:
    // A substitution record for the keyboard, with (src, dst, two-way) pairs.
    static void storePairs(const KeyboardService& kb, const std::string& name,
                           std::vector<std::tuple<std::uint64_t, std::uint64_t, bool>> pairs) {
        KeySub ks;
        ks.name = DeviceName{name, kb.maker};
        ks.reportDescSum = kb.descriptorSum();
        for (auto [s, d, both] : pairs) {
            ks.subItemsSrc.push_back(s);
            ks.subItemsDst.push_back(d);
            ks.subBidir.push_back(both);
        }
        KeySubOpt::shared().keySub.modify([&](std::vector<KeySub>& list) { list.push_back(ks); });
    }
    void expectMapping(platform::HidService service, const HidPropertyArray& entries) {
        ASSERT_FALSE(sim->hidServices.writes.empty());
        auto w = sim->hidServices.takeWrite();
        EXPECT_EQ(w.service, service);
        EXPECT_EQ(w.key, "UserKeyMapping");
        EXPECT_EQ(w.value, HidProperty(entries));
    }
    bool nothingWritten() const { return sim->hidServices.writes.empty(); }
    std::vector<std::string> listedNames() const {
        std::vector<std::string> names;
        for (const auto& e : KeyData::shared().k.get()) names.push_back(e.name);
        return names;
    }
};

TEST_F(KeyboardServicesTest, StoredPairsBecomeTheServicesKeyMapping) {
    KeyboardService usb;
    KeySubOpt::shared().subGlobalEn.set(true);
    storePairs(usb, usb.product, {{hid::CapsLock, hid::LeftControl, false}});
    const auto service = sim->hidServices.addService(usb.properties());
    engine::startHidServiceWatch();
    expectMapping(service, {mapping(hid::CapsLock, hid::LeftControl)});
    EXPECT_TRUE(nothingWritten());
    EXPECT_EQ(KeySubOpt::shared().keySub.get().size(), 1u) << "a known model is not added again";

    // Pairs equal on both sides give nothing; two-way pairs give both directions.
    KeySub edited = KeySubOpt::shared().keySub.get()[0];
    edited.subItemsSrc = {hid::A, hid::C, hid::D};
    edited.subItemsDst = {hid::B, hid::C, hid::E};
    edited.subBidir = {false, true, true};
    engine::applyKeySubMapping(edited);
    expectMapping(service, {mapping(hid::A, hid::B), mapping(hid::D, hid::E), mapping(hid::E, hid::D)});

    // A record of a model that is not present writes nothing.
    edited.reportDescSum += 1;
    engine::applyKeySubMapping(edited);
    EXPECT_TRUE(nothingWritten());

    // Termination clears every listed service.
    engine::clearKeyMappings();
    expectMapping(service, {});
    EXPECT_TRUE(nothingWritten());
}

TEST_F(KeyboardServicesTest, UnpairedTailsGiveNoEntries) {
    KeySub ks;
    ks.subItemsSrc = {hid::A, hid::C, hid::D};
    ks.subItemsDst = {hid::B};
    ks.subBidir = {};
    EXPECT_EQ(engine::userKeyMappingEntries(ks), (HidPropertyArray{mapping(hid::A, hid::B)}));
    ks.subItemsDst = {hid::B, hid::D, hid::E, hid::A};
    ks.subBidir = {true};
    EXPECT_EQ(engine::userKeyMappingEntries(ks), (HidPropertyArray{mapping(hid::A, hid::B), mapping(hid::B, hid::A),
                                                                   mapping(hid::C, hid::D), mapping(hid::D, hid::E)}));
}

TEST_F(KeyboardServicesTest, SubstitutionOffWritesNothingButRecordsTheModel) {
    KeyboardService usb;
    storePairs(usb, usb.product, {{hid::CapsLock, hid::LeftControl, false}});
    engine::startHidServiceWatch();
    const auto service = sim->hidServices.addService(usb.properties());
    KeyboardService other;
    other.product = "K120";
    other.maker = "Logitech";
    sim->hidServices.addService(other.properties());
    sim->runLoop.runPending();
    EXPECT_TRUE(nothingWritten());
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"Magic Keyboard", "K120"}));
    ASSERT_EQ(KeySubOpt::shared().keySub.get().size(), 2u);
    const KeySub& fresh = KeySubOpt::shared().keySub.get()[1];
    EXPECT_EQ(fresh.name, (DeviceName{"K120", "Logitech"}));
    EXPECT_EQ(fresh.reportDescSum, other.descriptorSum());
    EXPECT_TRUE(fresh.subItemsSrc.empty());

    // Switching substitution on writes each service's own record.
    KeySubOpt::shared().subGlobalEn.set(true);
    engine::applyModifierMapping(service);
    expectMapping(service, {mapping(hid::CapsLock, hid::LeftControl)});

    // A removed service leaves the list; its record stays.
    sim->hidServices.removeService(service);
    sim->runLoop.runPending();
    EXPECT_EQ(listedNames(), std::vector<std::string>{"K120"});
    EXPECT_EQ(KeySubOpt::shared().keySub.get().size(), 2u);
}

TEST_F(KeyboardServicesTest, ReceiversAreNamedByKind) {
    KeyboardService bolt;
    bolt.product = "USB Receiver";
    bolt.maker = "Logitech";
    bolt.vendorId = 0x46D;
    bolt.productId = 0xC548;
    KeyboardService unifying = bolt;
    unifying.productId = 0xC52B;
    KeyboardService secondBolt = bolt;
    const auto first = sim->hidServices.addService(bolt.properties());
    const auto uni = sim->hidServices.addService(unifying.properties());
    const auto second = sim->hidServices.addService(secondBolt.properties());
    KeySubOpt::shared().subGlobalEn.set(true);
    engine::startHidServiceWatch();
    // The second Bolt is not a duplicate of the first: that one carries the kind name now.
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"Bolt Receiver", "Unifying Receiver", "Bolt Receiver"}));
    ASSERT_EQ(KeySubOpt::shared().keySub.get().size(), 2u);
    EXPECT_EQ(KeySubOpt::shared().keySub.get()[0].name, (DeviceName{"Bolt Receiver", "Logitech"}));
    // Both Bolts get their (empty) mapping when they appear, and an edit reaches both.
    expectMapping(first, {});
    expectMapping(uni, {});
    expectMapping(second, {});
    KeySub edited = KeySubOpt::shared().keySub.get()[0];
    edited.subItemsSrc = {hid::CapsLock};
    edited.subItemsDst = {hid::LeftControl};
    edited.subBidir = {false};
    engine::applyKeySubMapping(edited);
    expectMapping(first, {mapping(hid::CapsLock, hid::LeftControl)});
    expectMapping(second, {mapping(hid::CapsLock, hid::LeftControl)});
    EXPECT_TRUE(nothingWritten());

    EXPECT_EQ(engine::receiverKindName(0x46D, 0xC53F), "Lightspeed Receiver");
    EXPECT_EQ(engine::receiverKindName(0x46D, 0xC31C), std::nullopt);
    EXPECT_EQ(engine::receiverKindName(0x5AC, 0xC548), std::nullopt);
    EXPECT_EQ(engine::receiverKindName(0x46D, 0x1C548), std::nullopt);
}

TEST_F(KeyboardServicesTest, OnlyKeyboardsAreListed) {
    KeyboardService btMouse;
    btMouse.product = "BT Combo";
    btMouse.transport = "Bluetooth";
    btMouse.primaryUsage = 2;
    btMouse.usagePairs = {usagePair(1, 2), usagePair(1, 6)};
    KeyboardService usbCombo = btMouse;
    usbCombo.product = "USB Combo";
    usbCombo.transport = "USB";
    KeyboardService noTransport;
    noTransport.product = "Odd";
    KeyboardService badPairs;
    badPairs.product = "Bad pairs";
    badPairs.usagePairs = {usagePair(1, 6), HidProperty("text")};
    KeyboardService sameName;
    sameName.reportDescriptor = {1, 2, 3};

    auto props = noTransport.properties();
    props.erase("Transport");
    for (const auto& p : {btMouse.properties(), usbCombo.properties(), props, badPairs.properties(),
                          KeyboardService{}.properties(), sameName.properties()})
        sim->hidServices.addService(p);
    engine::startHidServiceWatch();
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"USB Combo", "Magic Keyboard"}));
}

TEST_F(KeyboardServicesTest, NoClientMeansNoSubstitution) {
    sim->hidServices.failCreateClient = true;
    sim->hidServices.addService(KeyboardService{}.properties());
    engine::startHidServiceWatch();
    EXPECT_TRUE(KeyData::shared().k.get().empty());
    engine::clearKeyMappings();
    EXPECT_TRUE(nothingWritten());
}

} // namespace
} // namespace corv::test
