#include "model/LoginServiceKit.h"
#include "support/SimFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace corv;

namespace {

class LoginServiceKitTest : public test::SimTest {
protected:
    const std::string self = "/opt/corvadine/corvadine";
    const std::string other = "/opt/other/other";
};

} // namespace

TEST_F(LoginServiceKitTest, AddsOnceAndRemovesOnce) {
    auto& items = sim->loginItems.items;
    items = {other};
    EXPECT_FALSE(LoginServiceKit::isExistLoginItems(self));

    EXPECT_TRUE(LoginServiceKit::addLoginItems(self));
    EXPECT_TRUE(LoginServiceKit::isExistLoginItems(self));
    EXPECT_FALSE(LoginServiceKit::addLoginItems(self));
    EXPECT_EQ(items, (std::vector<std::string>{other, self}));

    EXPECT_TRUE(LoginServiceKit::removeLoginItems(self));
    EXPECT_FALSE(LoginServiceKit::removeLoginItems(self));
    EXPECT_FALSE(LoginServiceKit::isExistLoginItems(self));
    EXPECT_EQ(items, std::vector<std::string>{other});
}

TEST_F(LoginServiceKitTest, UnavailableOrFailingListAnswersFalse) {
    sim->loginItems.items = {self};
    sim->loginItems.available = false;
    EXPECT_FALSE(LoginServiceKit::isExistLoginItems(self));
    EXPECT_FALSE(LoginServiceKit::removeLoginItems(self));
    EXPECT_FALSE(LoginServiceKit::addLoginItems(other));

    sim->loginItems.available = true;
    sim->loginItems.failChanges = true;
    EXPECT_FALSE(LoginServiceKit::addLoginItems(other));
    EXPECT_FALSE(LoginServiceKit::removeLoginItems(self));
    EXPECT_EQ(sim->loginItems.items, std::vector<std::string>{self});
}
