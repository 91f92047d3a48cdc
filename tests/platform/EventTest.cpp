#include "platform/Event.h"

#include <gtest/gtest.h>

namespace corv::platform {
namespace {

TEST(Event, SerialisedRecordKeepsAppendedBytesApart) {
    Event e = Event::keyboard(0x31, true);
    e.setFlags(0x100100);
    e.setLocation(Point{12.5, -3});
    e.setTimestamp(987654321);
    e.setIntegerField(87, -5);
    e.setDoubleField(124, -0.25);
    e.setSystemData(SystemDefinedData{8, 0xA00, -1, -1});

    Bytes data = e.serialize();
    const Bytes tail{0x00, 0x44, 0x10, 0x6D, 0xFF};
    data.insert(data.end(), tail.begin(), tail.end());

    auto back = Event::fromData(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->trailer(), tail);
    EXPECT_EQ(back->type(), eventType::KeyDown);
    EXPECT_EQ(back->flags(), 0x100100u);
    EXPECT_EQ(back->location(), (Point{12.5, -3}));
    EXPECT_EQ(back->timestamp(), 987654321u);
    EXPECT_EQ(back->integerField(field::KeyboardKeycode), 0x31);
    EXPECT_EQ(back->integerField(87), -5);
    EXPECT_EQ(back->doubleField(124), -0.25);
    EXPECT_EQ(back->systemData(), (SystemDefinedData{8, 0xA00, -1, -1}));

    // Serialising again keeps the trailer.
    EXPECT_EQ(Event::fromData(back->serialize()), back);
}

TEST(Event, DataThatIsNoWholeRecordGivesNoEvent) {
    Bytes data = Event::keyboard(1, false).serialize();
    EXPECT_FALSE(Event::fromData(Bytes(data.begin(), data.end() - 1)));
    EXPECT_FALSE(Event::fromData(Bytes{}));
    data[0] ^= 0xFF;
    EXPECT_FALSE(Event::fromData(data));
}

TEST(Event, RecordTypeFieldIsTheTypeAndFieldsConvertBetweenKinds) {
    Event e;
    EXPECT_EQ(e.type(), eventType::Null);
    e.setIntegerField(field::RecordType, 30);
    EXPECT_EQ(e.type(), 30u);

    e.setDoubleField(124, -2.75);
    EXPECT_EQ(e.integerField(124), -2);
    e.setIntegerField(123, 3);
    EXPECT_EQ(e.doubleField(123), 3.0);
    EXPECT_EQ(e.integerField(129), 0);
    EXPECT_FALSE(e.hasField(129));
}

} // namespace
} // namespace corv::platform
