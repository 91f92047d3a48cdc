#include "model/ActionMenus.h"

#include "model/ActionTable.h"
#include "model/HelpTexts.h"
#include "platform/Localization.h"

#include <gtest/gtest.h>

#include <set>

namespace corv {
namespace {

using platform::localized;

std::vector<std::int64_t> acts(const ActionMenu& menu) {
    std::vector<std::int64_t> out;
    for (const auto& row : menu) out.push_back(row.act);
    return out;
}

std::size_t actionCount(const ActionMenu& menu) {
    std::size_t n = 0;
    for (const auto& row : menu) n += row.isSeparator() ? 0 : 1;
    return n;
}

std::string hintOf(ActionMenuKind kind, std::int64_t act) {
    auto menu = actionMenuLayout(kind);
    const MenuRow* row = findMenuRow(menu, act);
    return row ? row->hint : "<absent>";
}

TEST(ActionMenus, SizesAndRowOrder) {
    EXPECT_EQ(clickGestureActionMenu().size(), 36u);
    EXPECT_EQ(actionCount(clickGestureActionMenu()), 32u);
    EXPECT_EQ(gestureActionMenu().size(), 33u);
    EXPECT_EQ(actionCount(gestureActionMenu()), 30u);
    EXPECT_EQ(keyActionMenu().size(), 50u);
    EXPECT_EQ(actionCount(keyActionMenu()), 44u);
    EXPECT_EQ(logiKeyActionMenu().size(), 34u);
    EXPECT_EQ(actionCount(logiKeyActionMenu()), 30u);

    EXPECT_EQ(acts(logiKeyActionMenu()),
              (std::vector<std::int64_t>{4,  46, 47, 48, 49, 0,  -1, 5,  6,  22, 23, 24, 25, 26, 27, -1, 53,
                                         54, -1, 14, 15, 16, 7,  17, 18, 19, 20, 21, -1, 50, 51, 55, 56, 52}));
    auto key = acts(keyActionMenu());
    EXPECT_EQ(std::vector<std::int64_t>(key.begin() + 33, key.end()),
              (std::vector<std::int64_t>{1, 2, 3, 4, 36, 37, 39, 38, 40, 41, 43, 42, -1, 32, 33, 44, 45}));
}

TEST(ActionMenus, SeparatorsAreNeverFound) {
    const auto& menu = gestureActionMenu();
    EXPECT_EQ(menu[4], (MenuRow{-1, "-", ""}));
    EXPECT_EQ(findMenuRow(menu, -1), nullptr);
    EXPECT_EQ(menuTitle(menu, kMenuSeparator), std::nullopt);
}

TEST(ActionMenus, TitleLookupUsesTheMenuOfTheBinding) {
    EXPECT_EQ(menuTitle(ActionMenuKind::Gesture, ActionId::TriggerSwipeL), std::nullopt);
    EXPECT_EQ(menuTitle(ActionMenuKind::ClickGesture, ActionId::TriggerSwipeL),
              localized("Button action 3 Finger Swipe L"));
    EXPECT_EQ(menuTitle(ActionMenuKind::Gesture, ActionId::VolumeUpContinuous), localized("Button action Volume Up"));
    EXPECT_EQ(menuTitle(ActionMenuKind::Key, ActionId::ModClicks), std::nullopt);
    for (auto kind : {ActionMenuKind::ClickGesture, ActionMenuKind::Gesture, ActionMenuKind::Key,
                      ActionMenuKind::LogiKey}) {
        EXPECT_EQ(menuTitle(kind, ActionId::TwoFingerScroll), std::nullopt);
        EXPECT_EQ(menuTitle(kind, ActionId::Pan), std::nullopt);
        EXPECT_EQ(menuTitle(kind, 57), std::nullopt);
    }
}

TEST(ActionMenus, NoMenuHoldsBothTwins) {
    for (auto kind : {ActionMenuKind::ClickGesture, ActionMenuKind::Gesture, ActionMenuKind::Key,
                      ActionMenuKind::LogiKey}) {
        std::set<std::string> names;
        for (const auto& row : actionMenuLayout(kind))
            if (!row.isSeparator()) {
                EXPECT_TRUE(names.insert(row.name).second) << row.name;
            }
    }
}

TEST(ActionMenus, HintKeysFollowTheMenu) {
    EXPECT_EQ(hintOf(ActionMenuKind::ClickGesture, ActionId::MediaPlayPause), "btn hint media p/p");
    EXPECT_EQ(hintOf(ActionMenuKind::Gesture, ActionId::SmartZoom), "btn hint smart zoom");

    EXPECT_EQ(hintOf(ActionMenuKind::Key, ActionId::MediaPlayPause), "gkey hint media p/p");
    EXPECT_EQ(hintOf(ActionMenuKind::Key, ActionId::TriggerSwipeL), "gkey hint 3 finger swipe L");
    EXPECT_EQ(hintOf(ActionMenuKind::Key, ActionId::Url), "gkey hint Url");
    EXPECT_EQ(hintOf(ActionMenuKind::Key, ActionId::ExtraKeys), "gkey hint extra keys");
    EXPECT_EQ(hintOf(ActionMenuKind::Key, ActionId::SmartZoom), "gkey hint clicks");
    EXPECT_EQ(hintOf(ActionMenuKind::Key, ActionId::LookUp), "gkey hint clicks");
    EXPECT_EQ(hintOf(ActionMenuKind::Key, ActionId::ZoomOut), "gkey hint clicks");

    EXPECT_EQ(hintOf(ActionMenuKind::LogiKey, ActionId::SmartZoom), "btn hint smart zoom");
    EXPECT_EQ(hintOf(ActionMenuKind::LogiKey, ActionId::ModClicks), "gkey hint clicks");
    EXPECT_EQ(hintOf(ActionMenuKind::LogiKey, ActionId::ExtraKeys), "gkey hint extra keys");
    EXPECT_EQ(hintOf(ActionMenuKind::LogiKey, ActionId::Sleep), "gkey hint sleep");
}

TEST(ActionMenus, MenusShowLocalisedTexts) {
    const auto& menu = keyActionMenu();
    ASSERT_EQ(menu.front().act, ActionId::Sleep);
    EXPECT_EQ(menu.front().name, localized("Button action Sleep"));
    EXPECT_EQ(menu.front().hint, localized("gkey hint sleep"));
}

// Every key the menus and help texts use has an English text.
TEST(ActionMenus, EveryKeyHasAnEnglishText) {
    for (auto kind : {ActionMenuKind::ClickGesture, ActionMenuKind::Gesture, ActionMenuKind::Key,
                      ActionMenuKind::LogiKey}) {
        for (const auto& row : actionMenuLayout(kind)) {
            if (row.isSeparator()) continue;
            EXPECT_NE(localized(row.name), row.name);
            EXPECT_NE(localized(row.hint), row.hint);
        }
    }
    for (auto key : helpTextKeys()) EXPECT_NE(localized(key), key);
}

TEST(HelpTexts, FourteenTextsInIndexOrder) {
    ASSERT_EQ(helpTexts().size(), 14u);
    EXPECT_EQ(helpTextKeys()[0], "Help lct");
    EXPECT_EQ(helpTextKeys()[3], "Help binding click through");
    EXPECT_EQ(helpTextKeys()[12], "Help interfering apps");
    EXPECT_EQ(helpText(HelpTopic::Multishot), localized("Help multishot"));
    EXPECT_EQ(helpText(HelpTopic::Url), localized("Help url"));
}

} // namespace
} // namespace corv
