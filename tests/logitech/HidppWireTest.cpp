// Wire layout and pure decoders: no devices involved.

#include "logitech/BacklightEffects.h"
#include "logitech/DongleType.h"
#include "logitech/FeatureID.h"
#include "logitech/HidppExecutor.h"
#include "logitech/HidppReport.h"
#include "logitech/ReportText.h"
#include "support/SimFixture.h"

#include <gtest/gtest.h>

namespace corv::logitech {
namespace {

using namespace hidpp;

TEST(HidppWire, BigEndianWordsRoundTrip) {
    std::uint8_t b[2]{};
    writeBE16(b, 0x1B04);
    EXPECT_EQ(b[0], 0x1B);
    EXPECT_EQ(b[1], 0x04);
    EXPECT_EQ(readBE16(b), 0x1B04);
    writeBE16(b, 0xFFFE);
    EXPECT_EQ(readBE16(b), 0xFFFE);
    static_assert(readBE16(std::array<std::uint8_t, 2>{0x80, 0x01}.data()) == 0x8001);
}

TEST(HidppWire, EnumerationsTakeOnlyTheirRawValues) {
    EXPECT_EQ(dongleTypeFromRaw(2), DongleType::Lightspeed);
    EXPECT_FALSE(dongleTypeFromRaw(3));
    EXPECT_FALSE(dongleTypeFromRaw(-1));
    EXPECT_EQ(featureIdFromRaw(17), FeatureID::ID_8061);
    EXPECT_FALSE(featureIdFromRaw(18));
    EXPECT_EQ(hidppFeatureNumber(FeatureID::ID_1B04), 0x1B04);
    EXPECT_EQ(hidppFeatureNumber(FeatureID::ID_4531), 0x4531);
    EXPECT_EQ(hidppFeatureNumber(FeatureID::ID_1982), 0x1982);
    EXPECT_EQ(static_cast<int>(FeatureID::ID_1001), 14);
}

TEST(HidppWire, ReceiverKindFollowsTheProductId) {
    EXPECT_EQ(dongleTypeForProduct(0xC548), DongleType::Bolt);
    EXPECT_EQ(dongleTypeForProduct(0xC52B), DongleType::Unifying);
    EXPECT_EQ(dongleTypeForProduct(0xC532), DongleType::Unifying);
    EXPECT_EQ(dongleTypeForProduct(0xC547), DongleType::Lightspeed);
    EXPECT_FALSE(dongleTypeForProduct(0xC52F));
    using Row = std::pair<DongleType, std::vector<std::uint16_t>>;
    const std::vector<Row> table{
        {DongleType::Unifying, {0xC52B, 0xC532}},
        {DongleType::Bolt, {0xC548}},
        {DongleType::Lightspeed, {0xC539, 0xC53A, 0xC53D, 0xC53F, 0xC541, 0xC545, 0xC547, 0xC54D}},
    };
    EXPECT_EQ(dongleProductIds(), table);
    for (const auto& [type, ids] : table)
        for (std::uint16_t id : ids) EXPECT_EQ(dongleTypeForProduct(id), type) << std::hex << id;
    ASSERT_EQ(backlightEffectCodes().size(), 6u);
    EXPECT_EQ(backlightEffectCodes()[1], (std::pair<std::string, std::uint8_t>{"Breathing", 2}));
}

TEST(HidppWire, AnswerMatchesDeviceIndexAndBytesTwoAndThree) {
    const Bytes request{0x10, 0xFF, 0x81, 0x00, 0, 0, 0};
    const Bytes answer{0x10, 0xFF, 0x81, 0x00, 0, 0x09, 0};
    const Bytes otherIndex{0x10, 0x01, 0x81, 0x00, 0, 0x09, 0};
    const Bytes shortError{0x10, 0xFF, 0x8F, 0x81, 0x00, 0x03, 0};
    const Bytes otherRegister{0x10, 0xFF, 0x81, 0x02, 0, 0, 0};
    EXPECT_EQ(hidppAnswerKind(request, answer.data(), answer.size()), HidppOutcome::Answered);
    EXPECT_EQ(hidppAnswerKind(request, shortError.data(), shortError.size()), HidppOutcome::ErrorAnswer);
    EXPECT_FALSE(hidppAnswerKind(request, otherIndex.data(), otherIndex.size()));
    EXPECT_FALSE(hidppAnswerKind(request, otherRegister.data(), otherRegister.size()));

    Bytes feature(20, 0);
    feature[0] = 0x11;
    feature[1] = 0x02;
    feature[2] = 0x05;
    feature[3] = 0x1A;
    Bytes longError(20, 0);
    longError[0] = 0x11;
    longError[1] = 0x02;
    longError[2] = 0xFF;
    longError[3] = 0x05;
    longError[4] = 0x1A;
    longError[5] = 0x08;
    EXPECT_EQ(hidppAnswerKind(feature, longError.data(), longError.size()), HidppOutcome::ErrorAnswer);
    // A request whose byte 2 is 0xFF is answered only by a report, never by itself.
    Bytes ff = feature;
    ff[2] = 0xFF;
    EXPECT_FALSE(hidppAnswerKind(ff, feature.data(), feature.size()));
    EXPECT_FALSE(hidppAnswerKind(request, answer.data(), 4));
}

TEST(HidppWire, NamesAreTrimmedAndMustBeUtf8) {
    const std::uint8_t padded[] = {' ', 'K', '7', '8', '0', 0, 0, 0};
    EXPECT_EQ(decodeTrimmedName(padded, sizeof padded), "K780");
    const std::uint8_t inner[] = {'M', 'X', ' ', 'K', 'e', 'y', 's', '\n'};
    EXPECT_EQ(decodeTrimmedName(inner, sizeof inner), "MX Keys");
    const std::uint8_t accented[] = {0xC3, 0xA9, 't', 0xC3, 0xA9, 0};
    EXPECT_EQ(decodeTrimmedName(accented, sizeof accented), "\u00E9t\u00E9");
    const std::uint8_t broken[] = {'K', 0xC3, 0x28};
    EXPECT_FALSE(decodeTrimmedName(broken, sizeof broken));
    const std::uint8_t truncated[] = {'K', 0xE2, 0x86};
    EXPECT_FALSE(decodeUtf8(truncated, sizeof truncated));
    const std::uint8_t zeros[] = {0, 0, 0};
    EXPECT_EQ(decodeTrimmedName(zeros, sizeof zeros), "");
}

TEST(HidppWire, PasskeyTexts) {
    EXPECT_EQ(keyboardPasskey("123456"), "123456\u21A9");
    // 5 = 0b0000000101: left arrows but for the bits 4 and 1.
    EXPECT_EQ(arrowPasskey(5), "\u2190\u2190\u2190\u2190\u2190\u2190\u2190\u2192\u2190\u2192\u21A9");
    EXPECT_EQ(characterCount(arrowPasskey(1023)), 11u);
    EXPECT_EQ(arrowPasskey(1023).substr(0, 3), "\u2192");
    EXPECT_EQ(parseDecimal("042"), 42);
    EXPECT_EQ(parseDecimal("-12"), -12);
    EXPECT_FALSE(parseDecimal("4 2"));
    EXPECT_FALSE(parseDecimal("+"));
    EXPECT_FALSE(parseDecimal(""));
}

} // namespace
} // namespace corv::logitech
