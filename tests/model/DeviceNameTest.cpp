#include "model/DeviceName.h"
#include "model/SenderDeviceCache.h"
#include "support/SimFixture.h"

#include <gtest/gtest.h>

#include <unordered_set>

using namespace corv;

namespace {

DeviceName name(std::string vendor, std::string product) { return DeviceName{std::move(product), std::move(vendor)}; }

// Whether a DeviceName decodes from a dictionary with the given XML body.
bool decodes(const std::string& body) {
    plist::Node root = plist::parse(std::string_view(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\">" + body + "</plist>"));
    try {
        plist::Codec<DeviceName>::decode(root.get());
        return true;
    } catch (const plist::CodingError&) {
        return false;
    }
}

} // namespace

TEST(DeviceName, EqualNamesAreEqualHashEquallyAndDoNotOrder) {
    DeviceName a = name("Apple Inc.", "Magic Trackpad");
    DeviceName b = name("Apple Inc.", "Magic Trackpad");
    EXPECT_EQ(a, b);
    EXPECT_EQ(std::hash<DeviceName>{}(a), std::hash<DeviceName>{}(b));
    EXPECT_FALSE(a < b);
    EXPECT_FALSE(b < a);

    std::unordered_set<DeviceName> set{a, b, name("Apple Inc.", "Magic Keyboard")};
    EXPECT_EQ(set.size(), 2u);
    EXPECT_NE(a, name("Apple Inc.", "Magic Keyboard"));
    // Fields do not swap roles.
    EXPECT_NE(name("x", "y"), name("y", "x"));
}

TEST(DeviceName, OrdersByVendorThenProductConcatenated) {
    // The vendor leads.
    EXPECT_LT(name("A", "Z"), name("B", "A"));
    EXPECT_GT(name("B", "A"), name("A", "Z"));
    // Concatenation, not field by field: "ABC" < "ABD".
    EXPECT_LT(name("AB", "C"), name("A", "BD"));

    // Unequal names with the same text are neither less nor greater.
    DeviceName p = name("A", "BC");
    DeviceName q = name("AB", "C");
    EXPECT_NE(p, q);
    EXPECT_FALSE(p < q);
    EXPECT_FALSE(q < p);
    EXPECT_FALSE(p > q);
    EXPECT_TRUE(p <= q);
    EXPECT_TRUE(q <= p);
    EXPECT_TRUE(p >= q);
    EXPECT_TRUE(q >= p);

    // Non-ASCII text orders by code point (UTF-8 bytes taken unsigned).
    EXPECT_LT(name("Z", ""), name("É", ""));
}

TEST(DeviceName, CodesUnderProductAndVendor) {
    DeviceName n = name("Logi", "MX Keys");
    Bytes blob = plist::encodeBinary(n);
    EXPECT_EQ(plist::decode<DeviceName>(blob), n);

    plist::Node root = plist::parse(blob);
    EXPECT_EQ(plist::readString(plist::dictItem(root.get(), "product")), "MX Keys");
    EXPECT_EQ(plist::readString(plist::dictItem(root.get(), "vendor")), "Logi");
    EXPECT_EQ(plist::dictEntries(root.get()).size(), 2u);

    // Both empty is a valid name.
    DeviceName empty;
    plist::Node e = plist::parse(plist::encodeBinary(empty));
    EXPECT_EQ(plist::readString(plist::dictItem(e.get(), "product")), "");
    EXPECT_EQ(plist::readString(plist::dictItem(e.get(), "vendor")), "");
    EXPECT_EQ(plist::decode<DeviceName>(plist::encodeBinary(empty)), empty);
}

TEST(DeviceName, RejectsMissingOrMistypedFields) {
    EXPECT_TRUE(decodes("<dict><key>product</key><string>p</string><key>vendor</key><string>v</string></dict>"));
    EXPECT_FALSE(decodes("<dict><key>product</key><string>p</string></dict>"));
    EXPECT_FALSE(decodes("<dict><key>vendor</key><string>v</string></dict>"));
    EXPECT_FALSE(decodes("<dict><key>product</key><integer>7</integer><key>vendor</key><string>v</string></dict>"));
    EXPECT_FALSE(decodes("<dict><key>Product</key><string>p</string><key>vendor</key><string>v</string></dict>"));
    EXPECT_FALSE(decodes("<array><string>p</string><string>v</string></array>"));
}

class SenderDeviceCacheTest : public test::SimTest {};

TEST_F(SenderDeviceCacheTest, StoresByRegistryIdAndResets) {
    auto& cache = SenderDeviceCache::shared();
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_FALSE(cache.find(42));
    cache.store(42, name("Apple Inc.", "Magic Trackpad"));
    cache.store(42, name("Apple Inc.", "Magic Trackpad 2"));
    EXPECT_EQ(cache.find(42), name("Apple Inc.", "Magic Trackpad 2"));
    EXPECT_EQ(cache.size(), 1u);

    resetShared();
    EXPECT_FALSE(SenderDeviceCache::shared().find(42));
}
