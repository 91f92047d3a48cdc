#include "model/ActionTable.h"
#include "recorders/BindingDisplayText.h"

#include <gtest/gtest.h>

namespace corv::recorders {
namespace {

BindAction combo(std::uint64_t flags, std::uint16_t key) {
    BindAction b;
    b.isHotkey = true;
    b.hotkeyMod = flags;
    b.hotkeyKey = key;
    return b;
}
BindAction modClick(std::uint64_t flags, std::uint16_t click) {
    BindAction b = BindAction::forAction(ActionId::ModClicks);
    b.hotkeyMod = flags;
    b.hotkeyKey = click;
    return b;
}
BindAction url(std::string name, std::string target) {
    BindAction b = BindAction::forAction(ActionId::Url);
    b.hotkeyName = std::move(name);
    b.appName = std::move(target);
    return b;
}

TEST(BindingDisplayText, KeyCombinationsShowTheirModifiersInOrder) {
    EXPECT_EQ(keyComboText(0x9E, 40), "Fn+Ctrl+Alt+Shift+Super+K");
    EXPECT_EQ(keyComboText(0x09, 0xFFFF), "Alt+");  // recording; bits outside the five are ignored
    EXPECT_EQ(bindingDisplayText(ActGes::Swipe, combo(0x120000, 58), 0), "Shift+Super+Alt");  // the key Option
    EXPECT_EQ(keyBindingDisplayText(true, combo(0x100000, 0x1234), 0), "Super+1234");
    // F5 carries Fn by itself: neither the Fn nor a lone space is shown.
    EXPECT_EQ(bindingDisplayText(ActGes::Tap, combo(0x800100, 96), 0), "F5");
    EXPECT_EQ(bindingDisplayText(ActGes::Tap, combo(0x820100, 114), 0), "Shift+Insert");
    EXPECT_EQ(bindingDisplayText(ActGes::Tap, combo(0x800100, 0), 0), "Fn+A");
    // Keys the stored names leave out are named, not shown as hex ("36", or "A" for the letter's look).
    EXPECT_EQ(keyComboText(0x04, 54), "Ctrl+Right Super");
    EXPECT_EQ(keyComboText(0, 10), "Non-US \\");
}

TEST(BindingDisplayText, LaunchesAndModifierClicks) {
    BindAction launch = BindAction::forAction(ActionId::AppLaunch);
    launch.appName = "Calendar";
    EXPECT_EQ(bindingDisplayText(ActGes::Swipe, launch, 0), "\u25B6\uFE0E Calendar");
    EXPECT_EQ(keyBindingDisplayText(false, modClick(0, 1), 0), "L Click");
    EXPECT_EQ(keyBindingDisplayText(false, modClick(0x80100, 0), 0), "Mod Alt");
    EXPECT_EQ(bindingDisplayText(ActGes::Click, modClick(0x120100, 1), 0), "Shift+Super-L Click");
    EXPECT_EQ(bindingDisplayText(ActGes::Click, modClick(0x100000, 1), 0), "Invalid");
    EXPECT_EQ(bindingDisplayText(ActGes::Click, modClick(0x100100, 7), 0), "Invalid");
}

TEST(BindingDisplayText, UrlsByKindWithTheirSymbols) {
    const std::string doc = "\U00100263 ";
    EXPECT_EQ(bindingDisplayText(ActGes::Swipe, url("", "https://user@example.com:8080/a/b%20c?q=1#top"), 1),
              doc + "example.com/a/b c");
    EXPECT_EQ(bindingDisplayText(ActGes::Swipe, url("", "https://example.com"), 1), doc + "example.com");
    EXPECT_EQ(bindingDisplayText(ActGes::Swipe, url("", "/Users/me/notes.txt"), 1), doc + "/Users/me/notes.txt");
    EXPECT_EQ(bindingDisplayText(ActGes::Swipe, url("", "https://bad host/"), 1), doc + "https://bad host/");
    EXPECT_EQ(keyBindingDisplayText(true, url("", "~/bin/run.sh"), 2), "\U00100A7C ~/bin/run.sh");
    EXPECT_EQ(keyBindingDisplayText(true, url("", "a.scpt"), 3), "\U0010090F a.scpt");
    EXPECT_EQ(keyBindingDisplayText(true, url("Backup", "Back Up Now"), 4), "\U001002E6 Backup");
    EXPECT_EQ(keyBindingDisplayText(true, url("", "nothing"), 0), "nothing");
    EXPECT_EQ(keyBindingDisplayText(true, url("", ""), 1), "Open URL");
}

TEST(BindingDisplayText, PlainActionsAreNamedByTheRowsMenu) {
    const BindAction volumeUp = BindAction::forAction(ActionId::VolumeUpContinuous);
    EXPECT_EQ(bindingDisplayText(ActGes::Zoom, volumeUp, 0), "Volume Up");
    EXPECT_EQ(bindingDisplayText(ActGes::Tap, volumeUp, 0), "");
    EXPECT_EQ(bindingDisplayText(ActGes::None, BindAction::forAction(ActionId::MediaNext), 0), "");
    const BindAction cmdClick = BindAction::forAction(ActionId::CmdClick);
    EXPECT_EQ(keyBindingDisplayText(true, cmdClick, 0), "Super-Click");
    EXPECT_EQ(keyBindingDisplayText(false, cmdClick, 0), "");
}

} // namespace
} // namespace corv::recorders
