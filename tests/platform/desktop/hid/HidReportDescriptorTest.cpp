#include "platform/desktop/hid/HidReportDescriptor.h"
#include "platform/desktop/hid/HidrawInfo.h"

#include <gtest/gtest.h>

namespace corv::desktop {
namespace {

using Usages = std::vector<HidCollectionUsage>;

TEST(HidReportDescriptor, TopLevelCollectionsInOrderWithTheirPages) {
    // A receiver's HID++ interface: short and long report collections, each
    // with an input and an output report, the second collection's usage page
    // inherited from the first.
    const std::vector<std::uint8_t> hidpp = {
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x10, 0x75, 0x08, 0x95, 0x06, 0x15, 0x00, 0x26, 0xFF,
        0x00, 0x09, 0x01, 0x81, 0x00, 0x09, 0x01, 0x91, 0x00, 0xC0, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x11, 0x95,
        0x13, 0x09, 0x02, 0x81, 0x00, 0x09, 0x02, 0x91, 0x00, 0xC0};
    auto s = summarizeHidDescriptor(hidpp);
    EXPECT_EQ(s.topLevel, (Usages{{0xFF00, 1}, {0xFF00, 2}}));
    EXPECT_TRUE(s.usesReportIds);

    // A keyboard without report IDs: nested collections are not top-level,
    // and the usages inside them do not leak into the next top-level one.
    const std::vector<std::uint8_t> keyboard = {
        0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x09, 0xE0, 0xA1, 0x00, 0x81, 0x02, 0xC0, 0xC0,
        0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x09, 0xE9, 0x81, 0x02, 0xC0};
    s = summarizeHidDescriptor(keyboard);
    EXPECT_EQ(s.topLevel, (Usages{{0x01, 0x06}, {0x0C, 0x01}}));
    EXPECT_FALSE(s.usesReportIds);
}

TEST(HidReportDescriptor, ExtendedUsagesPushPopAndLongItems) {
    const std::vector<std::uint8_t> d = {
        0x05, 0x01,                                // usage page 1
        0xA4,                                      // push
        0x06, 0x43, 0xFF,                          // usage page 0xFF43
        0xB4,                                      // pop: page 1 again
        0xFE, 0x02, 0x10, 0xAA, 0xBB,              // a long item, skipped whole
        0x09, 0x02, 0xA1, 0x01, 0xC0,              // 1/2
        0x0B, 0x01, 0x00, 0x00, 0xFF, 0xA1, 0x01,  // extended usage 0xFF00/1
        0xC0};
    EXPECT_EQ(summarizeHidDescriptor(d).topLevel, (Usages{{0x01, 0x02}, {0xFF00, 0x01}}));
}

TEST(HidReportDescriptor, TruncatedOrEmptyDescriptorsKeepWhatCameBefore) {
    EXPECT_TRUE(summarizeHidDescriptor({}).topLevel.empty());
    // Usage page 0xFF00 cut after its first data byte: nothing read as 0xFF00.
    EXPECT_TRUE(summarizeHidDescriptor({0x06, 0x00}).topLevel.empty());
    EXPECT_EQ(summarizeHidDescriptor({0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0xC0, 0x06, 0x00}).topLevel,
              (Usages{{0x01, 0x06}}));
    // A long item claiming more bytes than there are, and a pop with nothing pushed.
    EXPECT_TRUE(summarizeHidDescriptor({0xFE, 0x20, 0x00, 0x01}).topLevel.empty());
    EXPECT_EQ(summarizeHidDescriptor({0x05, 0x0C, 0xB4, 0x09, 0x01, 0xA1, 0x01}).topLevel, (Usages{{0x0C, 0x01}}));
    // A collection without a usage.
    EXPECT_EQ(summarizeHidDescriptor({0x05, 0x01, 0xA1, 0x01, 0xC0}).topLevel, (Usages{{0x01, 0x00}}));
}

TEST(HidrawInfo, HidIdAndTransport) {
    auto id = parseHidId("0003:0000046D:0000C548");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->bus, 3u);
    EXPECT_EQ(id->vendor, 0x046Du);
    EXPECT_EQ(id->product, 0xC548u);
    id = parseHidId("0005:0000046d:0000b35b");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->product, 0xB35Bu);
    for (const char* bad : {"", "0003", "0003:0000046D", "0003:0000046D:", "0003:0001046D:0000C548",
                            "0003:0000046D:0000C548:1", "0003:00x0046D:0000C548", "000000003:046D:C548"})
        EXPECT_FALSE(parseHidId(bad)) << bad;

    EXPECT_EQ(hidTransportName(0x03), "USB");
    EXPECT_EQ(hidTransportName(0x05), "Bluetooth");
    EXPECT_EQ(hidTransportName(0x18), "I2C");
    EXPECT_FALSE(hidTransportName(0x00));
}

} // namespace
} // namespace corv::desktop
