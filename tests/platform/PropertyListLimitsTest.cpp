#include "platform/PropertyList.h"
#include "platform/PropertyListLimits.h"
#include "support/RawPlist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

using namespace corv;
using namespace corv::plist;
using corv::test::RawPlist;
namespace hostile = corv::test::hostile;

namespace {

std::string check(const Bytes& b, const Limits& limits = kLimits) { return checkLimits(b.data(), b.size(), limits); }
std::string check(const std::string& s, const Limits& limits = kLimits) {
    return checkLimits(reinterpret_cast<const unsigned char*>(s.data()), s.size(), limits);
}

} // namespace

TEST(PropertyListLimits, HostileListsAreRefusedQuicklyBeforeParsing) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(parse(hostile::nestedArrays(100000)), CodingError);
    EXPECT_THROW(parse(hostile::nestedArraysXml(100000)), CodingError);
    EXPECT_THROW(parse(hostile::doublingChain(24)), CodingError);
    EXPECT_THROW(parse(hostile::nulKey(true)), CodingError);
    EXPECT_THROW(parse(hostile::nulKey(false)), CodingError);
    // A walk that is not linear takes minutes here; 5 s leaves room for a
    // sanitized build on a busy machine.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    // Far below the limits the same shapes parse.
    EXPECT_NO_THROW(parse(hostile::nestedArrays(30)));
    EXPECT_NO_THROW(parse(hostile::nestedArraysXml(30)));
    EXPECT_NO_THROW(parse(hostile::doublingChain(10)));
}

TEST(PropertyListLimits, EachLimitHoldsAtItsEdge) {
    Limits small;
    small.maxDepth = 5;
    small.maxXmlDepth = 6;
    small.maxNodes = 64;
    small.maxEntries = 3;
    small.maxExpandedBytes = 40;
    small.maxBytes = 400;

    EXPECT_EQ(check(hostile::nestedArrays(5), small), "");
    EXPECT_EQ(check(hostile::nestedArrays(6), small), "nested too deeply");
    EXPECT_EQ(check(hostile::nestedArraysXml(5), small), "");
    EXPECT_EQ(check(hostile::nestedArraysXml(6), small), "nested too deeply");
    // 2^k - 1 arrays and 2^k leaves once expanded: 63 nodes fit, 127 do not.
    Limits few;
    few.maxNodes = 64;
    EXPECT_EQ(check(hostile::doublingChain(5), few), "");
    EXPECT_EQ(check(hostile::doublingChain(6), few), "too many nodes");

    RawPlist wide;
    const auto one = wide.integer(1);
    EXPECT_EQ(check(wide.finish(wide.array({one, one, one})), small), "");
    EXPECT_EQ(check(wide.finish(wide.array({one, one, one, one})), small), "container too large");
    EXPECT_EQ(check(std::string("<plist><dict>") + std::string(4 * 2, 'x') + "</dict></plist>", small), "");
    std::string sevenKeys = "<plist><array>";
    for (int i = 0; i < 7; ++i) sevenKeys += "<true/>";
    EXPECT_EQ(check(sevenKeys + "</array></plist>", small), "container too large");

    // Twenty bytes referenced three times are 60 bytes once expanded.
    RawPlist shared;
    const auto blob = shared.data(Bytes(20, 1));
    EXPECT_EQ(check(shared.finish(shared.array({blob, blob})), small), "");
    EXPECT_EQ(check(shared.finish(shared.array({blob, blob, blob})), small), "too many bytes once expanded");

    EXPECT_EQ(check(Bytes(401, ' '), small), "too large");
}

TEST(PropertyListLimits, MalformedBinaryIsRefusedWithoutReadingOutOfBounds) {
    RawPlist cyclic;
    cyclic.array({0});
    EXPECT_EQ(check(cyclic.finish(0)), "object contains itself");

    RawPlist dangling;
    dangling.array({7});
    EXPECT_EQ(check(dangling.finish(0)), "reference out of range");

    RawPlist numberKey;
    const auto n = numberKey.integer(1);
    EXPECT_EQ(check(numberKey.finish(numberKey.dict({n}, {n}))), "dictionary key is not a string");

    // A string claiming more bytes than there are, and a lone surrogate.
    RawPlist longString;
    longString.add({0x5F, 0x13, 0, 0, 0, 0, 0, 0, 0x10, 0});
    EXPECT_EQ(check(longString.finish(0)), "object runs into the offset table");
    RawPlist lone;
    lone.utf16(u"a\xD800");
    EXPECT_EQ(check(lone.finish(0)), "string holds a lone surrogate");

    // Every truncation of a good list is refused or parsed, never more.
    const Bytes good = hostile::nulKey(false);
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        const Bytes part(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        EXPECT_THROW(parse(part), CodingError) << cut;
    }
    EXPECT_NE(check(std::string("<plist><string>a\0b</string></plist>", 34)), "");
}

TEST(PropertyListStrings, TextThatIsNotCleanUtf8FailsAtItsValue) {
    // In a binary list's one-byte strings and in XML alike.
    for (const std::string& bad : {std::string("\xE0\x80"), std::string("\xFF"), std::string("caf\xE9"),
                                  std::string("\xED\xA0\x80"), std::string("\xF4\x90\x80\x80")}) {
        RawPlist p;
        const auto key = p.ascii("id"), value = p.ascii(bad), badKey = p.ascii(bad), one = p.integer(1);
        Node root = parse(p.finish(p.dict({key, badKey}, {value, one})));
        EXPECT_THROW(readString(dictItem(root.get(), "id")), CodingError);
        EXPECT_THROW(dictEntries(root.get()), CodingError);
        EXPECT_EQ(rawDictEntries(root.get()).size(), 2u);

        Node xml = parse("<plist><dict><key>id</key><string>" + bad + "</string></dict></plist>");
        EXPECT_THROW(readString(dictItem(xml.get(), "id")), CodingError);
        EXPECT_THROW(makeString(bad), CodingError);
        Node d = newDict();
        EXPECT_THROW(dictSet(d, bad, makeBool(true)), CodingError);
    }
    EXPECT_THROW(makeString(std::string("a\0b", 3)), CodingError);
    // Two-, three- and four-byte forms at their edges read back as they are.
    for (const std::string good : {"\xC2\x80", "\xE0\xA0\x80", "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"}) {
        EXPECT_EQ(readString(parse(toBinary(makeString(good))).get()), good);
    }
}

// Forms our writer never uses but other writers do.
TEST(BinaryPlistReader, ReadsEveryIntegerRealAndStringForm) {
    RawPlist p;
    const auto small = p.add({0x10, 0xFF});
    const auto two = p.add({0x11, 0x01, 0x00});
    const auto eight = p.add({0x13, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFB});
    const auto negative16 = p.add({0x14, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                   0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFB});
    const auto huge16 = p.add({0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0});
    const auto wide16 = p.add({0x14, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0});
    const auto float32 = p.add({0x22, 0x40, 0x20, 0x00, 0x00});  // 2.5
    const auto date = p.add({0x33, 0, 0, 0, 0, 0, 0, 0, 0});
    const auto pair = p.utf16(u"x\U0001F600");
    const auto set = p.add({0xC1, 0, 0, 0, 0});
    Node root = parse(p.finish(p.array({small, two, eight, negative16, huge16, wide16, float32, date, pair, set})));
    auto item = [&](std::size_t i) { return arrayItem(root.get(), i); };
    EXPECT_EQ(readSigned(item(0)), 255);
    EXPECT_EQ(readSigned(item(1)), 256);
    EXPECT_EQ(readSigned(item(2)), -5);
    EXPECT_EQ(readSigned(item(3)), -5);
    EXPECT_THROW(readSigned(item(4)), CodingError);  // past INT64_MAX
    EXPECT_THROW(readSigned(item(5)), CodingError);  // past 64 bits
    EXPECT_THROW(toBinary(copy(item(5))), CodingError);
    EXPECT_EQ(readReal(item(6)), 2.5);
    EXPECT_THROW(readReal(item(7)), CodingError);  // a date is no number
    EXPECT_EQ(readString(item(8)), "x\xF0\x9F\x98\x80");
    EXPECT_EQ(arraySize(item(9)), 1u);
    // The unsigned value past INT64_MAX writes back as sixteen bytes: still no negative number.
    Node again = parse(toBinary(copy(item(4))));
    EXPECT_THROW(readSigned(again.get()), CodingError);
    EXPECT_EQ(readReal(again.get()), 9223372036854775808.0);
}

namespace {

Bytes patched(Bytes b, std::size_t at, std::uint64_t v, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * (size - 1 - i)));
    return b;
}

} // namespace

// Each trailer field, offset, reference and count pointed where it must not
// point. Run under ASan: nothing outside the bytes is read.
TEST(BinaryPlistReader, BrokenTrailersOffsetsReferencesAndCountsAreRefused) {
    RawPlist p;
    const auto key = p.ascii("k"), text = p.utf16(u"\u00E9t\u00E9"), blob = p.data({1, 2, 3});
    const auto list = p.array({text, blob});
    const Bytes good = p.finish(p.dict({key}, {list}));
    ASSERT_NO_THROW(parse(good));
    const std::size_t trailer = good.size() - 32, table = trailer - 4 * 5;
    const std::uint64_t all = ~std::uint64_t{0};
    struct Patch {
        std::size_t at, size;
        std::uint64_t value;
    };
    for (const Patch& c : std::initializer_list<Patch>{
             {trailer + 6, 1, 0}, {trailer + 6, 1, 9},  // offset size
             {trailer + 7, 1, 0}, {trailer + 7, 1, 9},  // reference size
             {trailer + 8, 8, 0}, {trailer + 8, 8, 6}, {trailer + 8, 8, all},  // object count
             {trailer + 16, 8, 5}, {trailer + 16, 8, all},                     // top object
             {trailer + 24, 8, 0}, {trailer + 24, 8, 7}, {trailer + 24, 8, table + 1}, {trailer + 24, 8, all},
             {table + 4 * 4, 4, 0}, {table + 4 * 4, 4, 7}, {table + 4 * 4, 4, table},  // the top object's offset
             {table + 4 * 4, 4, trailer}, {table + 4 * 4, 4, 0xFFFFFFFF},
             {table + 4 * 1, 4, table - 1},         // the string's offset: its units run into the table
             {table - 8, 4, 5}, {table - 8, 4, 0xFFFFFFFF},  // the dictionary's key reference
             {table - 4, 4, 4},                              // its value: itself
         }) {
        EXPECT_THROW(parse(patched(good, c.at, c.value, c.size)), CodingError) << c.at << " " << c.value;
    }

    // Counts and sizes past the bytes, past 64 bits once doubled, or not integers.
    const std::uint8_t max8[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const std::uint8_t half8[] = {0x80, 0, 0, 0, 0, 0, 0, 0};
    auto counted = [](std::uint8_t marker, std::uint8_t intMarker, const std::uint8_t* count, std::size_t size) {
        Bytes b(2 + size);
        b[0] = marker;
        b[1] = intMarker;
        std::copy(count, count + size, b.begin() + 2);
        return b;
    };
    for (const Bytes& object : {counted(0xAF, 0x13, max8, 8), counted(0xDF, 0x13, half8, 8), counted(0x6F, 0x13, half8, 8),
                                counted(0x4F, 0x13, max8, 8), counted(0x5F, 0x13, half8, 8), counted(0xAF, 0x14, half8, 8),
                                Bytes{0xAF, 0x50}, Bytes{0xAF}, Bytes{0x1F}, Bytes{0x15, 0}, Bytes{0x21, 0, 0},
                                Bytes{0x33, 0}, Bytes{0x13, 0, 0}, Bytes{0x70}, Bytes{0xB0}}) {
        RawPlist q;
        q.array({1});
        q.add(object);
        EXPECT_THROW(parse(q.finish(0)), CodingError) << int(object[0]);
    }
}
