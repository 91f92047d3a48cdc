#include "platform/PropertyList.h"

#include <gtest/gtest.h>
#include <plist/plist.h>

#include <limits>

using namespace corv;
using namespace corv::plist;

namespace {

enum class Colour { Red = 0, Green = 1 };

struct Point {
    std::int64_t x = 0;
    std::uint16_t y = 0;
    void encode(KeyedEncoder& e) const {
        e.encode("x", x);
        e.encode("y", y);
    }
    static Point decode(const KeyedDecoder& d) { return Point{d.decode<std::int64_t>("x"), d.decode<std::uint16_t>("y")}; }
    bool operator==(const Point&) const = default;
};

template <class T>
T roundTrip(const T& v) {
    return plist::decode<T>(encodeBinary(v));
}

} // namespace

template <>
struct corv::plist::EnumTraits<Colour> {
    static std::optional<Colour> fromRaw(std::int64_t v) {
        if (v == 0 || v == 1) return static_cast<Colour>(v);
        return std::nullopt;
    }
    static std::int64_t raw(Colour c) { return static_cast<std::int64_t>(c); }
};

TEST(PropertyList, PrimitivesRoundTripThroughBinary) {
    EXPECT_EQ(roundTrip<std::int64_t>(-5), -5);
    EXPECT_EQ(roundTrip<std::int64_t>(INT64_MIN), INT64_MIN);
    EXPECT_EQ(roundTrip<std::uint64_t>(0x900100), 0x900100u);
    EXPECT_EQ(roundTrip<double>(15.0), 15.0);
    EXPECT_EQ(roundTrip<float>(2.5f), 2.5f);
    EXPECT_EQ(roundTrip<std::string>("⌘ é"), "⌘ é");
    EXPECT_EQ(roundTrip<Bytes>(Bytes{0, 1, 255}), (Bytes{0, 1, 255}));
    EXPECT_EQ(roundTrip<Colour>(Colour::Green), Colour::Green);
}

TEST(PropertyList, ChecksTypesAndRanges) {
    EXPECT_THROW(plist::decode<std::uint64_t>(encodeBinary<std::int64_t>(-1)), CodingError);
    EXPECT_THROW(plist::decode<std::uint16_t>(encodeBinary<std::int64_t>(65536)), CodingError);
    EXPECT_THROW(plist::decode<std::uint8_t>(encodeBinary<std::int64_t>(256)), CodingError);
    EXPECT_THROW(plist::decode<bool>(encodeBinary<std::int64_t>(1)), CodingError);
    EXPECT_THROW(plist::decode<std::string>(encodeBinary<bool>(true)), CodingError);
    EXPECT_THROW(plist::decode<Colour>(encodeBinary<std::int64_t>(2)), CodingError);
    EXPECT_THROW(plist::decode<float>(encodeBinary<double>(1e300)), CodingError);
    EXPECT_THROW(encodeBinary<std::uint64_t>(UINT64_MAX), CodingError);
    // An integral real stands for an integer; a fraction does not.
    EXPECT_EQ(plist::decode<std::int64_t>(encodeBinary<double>(3.0)), 3);
    EXPECT_THROW(plist::decode<std::int64_t>(encodeBinary<double>(3.5)), CodingError);
    EXPECT_THROW(plist::decode<std::int64_t>(Bytes{'x', 'y'}), CodingError);
    EXPECT_THROW(plist::decode<std::int64_t>(Bytes{}), CodingError);
}

// libplist holds both in one 64-bit node; neither may pass for the other.
TEST(PropertyList, HugeUnsignedAndNegativeIntegersStayApart) {
    auto xml = [](const char* number) {
        std::string doc = std::string("<plist version=\"1.0\"><integer>") + number + "</integer></plist>";
        return Bytes(doc.begin(), doc.end());
    };
    const Bytes huge = xml("18446744073709551615");
    const Bytes minusOne = xml("-1");
    EXPECT_THROW(plist::decode<std::int64_t>(huge), CodingError);
    // What cannot be written back is not read either.
    EXPECT_THROW(plist::decode<std::uint64_t>(huge), CodingError);
    EXPECT_EQ(plist::decode<double>(huge), 18446744073709551615.0);
    EXPECT_EQ(plist::decode<std::int64_t>(minusOne), -1);
    EXPECT_THROW(plist::decode<std::uint64_t>(minusOne), CodingError);
    EXPECT_EQ(plist::decode<double>(minusOne), -1.0);
    // The same holds once written as a binary property list.
    EXPECT_THROW(plist::decode<std::int64_t>(toBinary(parse(huge))), CodingError);
    EXPECT_EQ(plist::decode<std::int64_t>(toBinary(parse(minusOne))), -1);
}

TEST(PropertyList, DictionaryFormsFollowTheKeyType) {
    std::map<std::string, Point> byName{{"a", {1, 2}}};
    std::map<std::int64_t, std::uint8_t> byInt{{-3, 7}, {12, 9}};
    std::map<std::uint16_t, Point> byOther{{5, {1, 1}}, {6, {2, 2}}};

    auto xml = toXml(Codec<decltype(byInt)>::encode(byInt));
    EXPECT_NE(xml.find("<key>-3</key>"), std::string::npos);
    EXPECT_NE(xml.find("<key>12</key>"), std::string::npos);

    Node alternating = Codec<decltype(byOther)>::encode(byOther);
    ASSERT_TRUE(isArray(alternating.get()));
    EXPECT_EQ(arraySize(alternating.get()), 4u);

    EXPECT_EQ(roundTrip(byName), byName);
    EXPECT_EQ(roundTrip(byInt), byInt);
    EXPECT_EQ(roundTrip(byOther), byOther);
}

TEST(PropertyList, AlternatingArraysDecodeStrictly) {
    auto decodeXml = [](const char* body) {
        std::string doc = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\">") + body + "</plist>";
        return plist::decode<std::map<std::uint16_t, std::int64_t>>(Bytes(doc.begin(), doc.end()));
    };
    // The later of two equal keys wins.
    auto m = decodeXml("<array><integer>1</integer><integer>10</integer><integer>1</integer><integer>20</integer></array>");
    EXPECT_EQ(m, (std::map<std::uint16_t, std::int64_t>{{1, 20}}));
    EXPECT_THROW(decodeXml("<array><integer>1</integer></array>"), CodingError);
    EXPECT_THROW(decodeXml("<dict/>"), CodingError);
    EXPECT_THROW(decodeXml("<array><integer>-1</integer><integer>1</integer></array>"), CodingError);
}

TEST(PropertyList, DecimalKeysMustBeIntegers) {
    EXPECT_EQ(parseDecimalKey("42"), 42);
    EXPECT_EQ(parseDecimalKey("-9223372036854775808"), INT64_MIN);
    EXPECT_THROW(parseDecimalKey("9223372036854775808"), CodingError);
    EXPECT_THROW(parseDecimalKey("4a"), CodingError);
    EXPECT_THROW(parseDecimalKey(""), CodingError);
    EXPECT_THROW(parseDecimalKey("-"), CodingError);
}

TEST(PropertyList, KeyedValuesNeedEveryKey) {
    EXPECT_EQ(roundTrip(Point{-4, 9}), (Point{-4, 9}));
    std::string doc = "<plist version=\"1.0\"><dict><key>x</key><integer>1</integer></dict></plist>";
    EXPECT_THROW(plist::decode<Point>(Bytes(doc.begin(), doc.end())), CodingError);
    std::string extra = "<plist version=\"1.0\"><dict><key>x</key><integer>1</integer><key>y</key><integer>2</integer>"
                        "<key>z</key><string>ignored</string></dict></plist>";
    EXPECT_EQ(plist::decode<Point>(Bytes(extra.begin(), extra.end())), (Point{1, 2}));
}

TEST(PropertyList, UrlsKeepTheirBase) {
    Url withBase("./", std::make_shared<const Url>("file:///home/user/"));
    Node n = Codec<Url>::encode(withBase);
    EXPECT_EQ(readString(dictItem(n.get(), "relative")), "./");
    ASSERT_TRUE(isDict(dictItem(n.get(), "base")));
    EXPECT_EQ(roundTrip(withBase), withBase);
    EXPECT_EQ(withBase.absoluteString(), "file:///home/user/");
    EXPECT_EQ(roundTrip(Url("file:///Applications/Safari.app/")), Url("file:///Applications/Safari.app/"));
    std::string empty = "<plist version=\"1.0\"><dict><key>relative</key><string></string></dict></plist>";
    EXPECT_THROW(plist::decode<Url>(Bytes(empty.begin(), empty.end())), CodingError);
}

// The binary writer against libplist's own: both read back to the same tree.
TEST(PropertyList, TheBinaryWriterIsReadBackIdentically) {
    Node root = newDict();
    dictSet(root, "ascii", makeString("plain"));
    dictSet(root, "unicode", makeString("h\xC3\xA9llo \xF0\x9F\x98\x80 \xE2\x82\xAC"));
    dictSet(root, "empty", makeString(""));
    dictSet(root, "long", makeString(std::string(300, 'x')));
    dictSet(root, "data", makeData(Bytes(70000, 0xAB)));
    dictSet(root, "nodata", makeData({}));
    Node numbers = newArray();
    for (std::int64_t v : std::initializer_list<std::int64_t>{0, 1, 255, 256, 65535, 65536, 4294967295, 4294967296, -1,
                                                              std::numeric_limits<std::int64_t>::min(),
                                                              std::numeric_limits<std::int64_t>::max()})
        arrayAppend(numbers, makeSigned(v));
    for (double d : {0.0, -2.5, 1e300}) arrayAppend(numbers, makeReal(d));
    arrayAppend(numbers, makeBool(true));
    arrayAppend(numbers, makeBool(false));
    arrayAppend(numbers, makeBool(true));
    dictSet(root, "numbers", std::move(numbers));
    // Wide enough for two-byte references and counts past the marker's nibble.
    Node wide = newArray();
    for (int i = 0; i < 300; ++i) {
        Node entry = newDict();
        dictSet(entry, "index", makeSigned(i));
        dictSet(entry, "name", makeString("entry " + std::to_string(i % 50)));
        arrayAppend(wide, std::move(entry));
    }
    dictSet(root, "wide", std::move(wide));

    // libplist reads our bytes back to what its XML writer gives for the tree.
    const Bytes ours = toBinary(root);
    ::plist_t theirs = nullptr;
    plist_from_bin(reinterpret_cast<const char*>(ours.data()), static_cast<uint32_t>(ours.size()), &theirs);
    ASSERT_TRUE(theirs);
    char* xml = nullptr;
    uint32_t xmlLength = 0;
    plist_to_xml(theirs, &xml, &xmlLength);
    plist_free(theirs);
    ASSERT_TRUE(xml);
    const std::string theirXml(xml, xmlLength);
    plist_to_xml_free(xml);
    EXPECT_EQ(theirXml, toXml(root));
    EXPECT_EQ(toXml(parse(ours)), toXml(root));
    // Repeated strings are written once: an array and one string, two offsets, the trailer.
    Node same = newArray();
    for (int i = 0; i < 3; ++i) arrayAppend(same, makeString("abc"));
    EXPECT_EQ(toBinary(same).size(), 8u + 4 + 4 + 2 + 32);
}
