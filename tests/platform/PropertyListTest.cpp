#include "platform/PropertyList.h"

#include "platform/Libplist.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Equal texts, or where they part with a little of each: a diff of megabyte
// texts would take gigabytes.
::testing::AssertionResult sameText(const std::string& a, const std::string& b) {
    const std::size_t at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    if (at == a.size() && a.size() == b.size()) return ::testing::AssertionSuccess();
    const std::size_t from = at < 60 ? 0 : at - 60;
    return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size() << ", first difference at "
                                         << at << ":\n  " << a.substr(from, 120) << "\n  " << b.substr(from, 120);
}

std::string libplistXml(::plist_t tree) {
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(tree, &xml, &length);
    std::string out = xml ? std::string(xml, length) : std::string();
    libplist::freeText(xml);
    return out;
}

std::string libplistXmlOf(const Bytes& binary) {
    ::plist_t tree = nullptr;
    plist_from_bin(reinterpret_cast<const char*>(binary.data()), static_cast<uint32_t>(binary.size()), &tree);
    std::string out = tree ? libplistXml(tree) : std::string();
    plist_free(tree);
    return out;
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

// Each edge keeps its value in both forms, whichever of us and libplist (of
// any version) writes and reads.
TEST(PropertyList, EdgeIntegersKeepTheirValueInBothForms) {
    for (const char* number : {"-1", "-9223372036854775808", "9223372036854775807", "18446744073709551615"}) {
        SCOPED_TRACE(number);
        const std::string element = std::string("<integer>") + number + "</integer>";
        const std::string doc = "<plist version=\"1.0\">" + element + "</plist>";
        const Node read = parse(Bytes(doc.begin(), doc.end()));
        const Bytes ours = toBinary(read);
        ::plist_t node = libplist::fromMemory(doc.data(), static_cast<uint32_t>(doc.size()));
        char* bin = nullptr;
        uint32_t length = 0;
        plist_to_bin(node, &bin, &length);
        plist_free(node);
        ASSERT_TRUE(bin);
        const Bytes theirs(bin, bin + length);
        libplist::freeText(bin);
        for (const std::string& xml : {toXml(read), toXml(parse(ours)), libplistXmlOf(ours), toXml(parse(theirs))})
            EXPECT_NE(xml.find(element), std::string::npos) << xml;
    }
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
    // Counts past the marker's nibble in a dictionary and a UTF-16 string, and
    // over 65535 objects: four-byte references.
    Node keys = newDict();
    for (int i = 0; i < 20; ++i) dictSet(keys, "key " + std::to_string(i), makeSigned(-i));
    dictSet(root, "keys", std::move(keys));
    dictSet(root, "long unicode", makeString("r\xC3\xA9glage \xE2\x8C\x98 num\xC3\xA9ro 12345678"));
    Node many = newArray();
    for (int i = 0; i < 70000; ++i) arrayAppend(many, makeSigned(100000 + i));
    dictSet(root, "many", std::move(many));

    // libplist reads our bytes back to what its XML writer gives for the tree.
    const Bytes ours = toBinary(root);
    EXPECT_EQ(ours[ours.size() - 25], 4);  // the reference size
    const std::string theirXml = libplistXmlOf(ours);
    ASSERT_FALSE(theirXml.empty());
    EXPECT_TRUE(sameText(theirXml, toXml(root)));
    EXPECT_TRUE(sameText(toXml(parse(ours)), toXml(root)));
    // Repeated strings are written once: an array and one string, two offsets, the trailer.
    Node same = newArray();
    for (int i = 0; i < 3; ++i) arrayAppend(same, makeString("abc"));
    EXPECT_EQ(toBinary(same).size(), 8u + 4 + 4 + 2 + 32);
}

// Files written before by libplist's binary writer: its three-byte offsets
// and references, four-byte reals and shared data read whole, and write back
// to what libplist reads as the same tree.
TEST(PropertyList, ListsFromLibplistsWriterReadAndWriteBack) {
    ::plist_t tree = plist_new_dict();
    ::plist_t numbers = plist_new_array();
    for (std::int64_t v : {std::int64_t{0}, std::int64_t{-5}, std::int64_t{16777216}, std::numeric_limits<std::int64_t>::min()})
        plist_array_append_item(numbers, libplist::newInteger(static_cast<uint64_t>(v), v < 0));
    plist_array_append_item(numbers, plist_new_real(15.5));
    plist_array_append_item(numbers, plist_new_real(0.1));
    plist_dict_set_item(tree, "numbers", numbers);
    plist_dict_set_item(tree, "r\xC3\xA9glage \xE2\x8C\x98", plist_new_string("caf\xC3\xA9 \xF0\x9F\x98\x80"));
    plist_dict_set_item(tree, "blob", plist_new_data("\0\1\2", 3));
    plist_dict_set_item(tree, "again", plist_new_data("\0\1\2", 3));
    // Over 65535 objects: three-byte references.
    ::plist_t many = plist_new_array();
    for (uint64_t i = 0; i < 70000; ++i) plist_array_append_item(many, plist_new_uint(100000 + i));
    plist_dict_set_item(tree, "many", many);
    const std::string want = libplistXml(tree);
    char* bin = nullptr;
    uint32_t length = 0;
    plist_to_bin(tree, &bin, &length);
    plist_free(tree);
    ASSERT_TRUE(bin);
    const Bytes old(reinterpret_cast<unsigned char*>(bin), reinterpret_cast<unsigned char*>(bin) + length);
    free(bin);
    ASSERT_EQ(old[old.size() - 25], 3);  // the reference size

    Node ours = parse(old);
    EXPECT_TRUE(sameText(toXml(ours), want));
    EXPECT_EQ(readSigned(arrayItem(dictItem(ours.get(), "numbers"), 1)), -5);
    EXPECT_EQ(readReal(arrayItem(dictItem(ours.get(), "numbers"), 4)), 15.5);
    const Bytes again = toBinary(ours);
    ::plist_t back = nullptr;
    plist_from_bin(reinterpret_cast<const char*>(again.data()), static_cast<uint32_t>(again.size()), &back);
    ASSERT_TRUE(back);
    EXPECT_TRUE(sameText(libplistXml(back), want));
    plist_free(back);
}
