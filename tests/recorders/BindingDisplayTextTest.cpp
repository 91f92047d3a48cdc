#include "model/ActionTable.h"
#include "recorders/BindingDisplayText.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

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

// Stored binding → shown text: keys and modifiers in the desktop's words.
TEST(BindingDisplayText, KeyCombinationsAndModifierClicksInLinuxWords) {
    BindAction launch = BindAction::forAction(ActionId::AppLaunch);
    launch.appName = "Calendar";
    const std::vector<std::pair<BindAction, std::string>> rows{
        {combo(0x9E0000, 0), "Fn+Ctrl+Alt+Shift+Super+A"},
        {combo(0x010000, 0), "A"},  // bits outside the five are ignored
        {combo(0x060000, 40), "Ctrl+Shift+K"},
        {combo(0x080000, 124), "Alt+\u2192"},
        {combo(0x100000, 0x1234), "Super+1234"},
        {combo(0x800100, 96), "F5"},  // F5 carries Fn by itself
        {combo(0x820100, 96), "Shift+F5"},
        {combo(0x800100, 0), "Fn+A"},
        {combo(0x040000, 58), "Ctrl+Alt"},  // the key Option, named as Linux does
        {combo(0, 55), "Super"},
        {combo(0, 61), "Right Alt"},
        {combo(0, 114), "Insert"},
        {combo(0, 49), "Space"},
        {launch, "\u25B6\uFE0E Calendar"},
        {modClick(0, 1), "L Click"},
        {modClick(0x80100, 0), "Mod Alt"},
        {modClick(0x100100, 1), "Super-L Click"},
        {modClick(0x120100, 2), "Shift+Super-R Click"},
        {modClick(0xC0100, 3), "Ctrl+Alt-Middle Click"},
        {modClick(0x100000, 1), "Invalid"},
        {modClick(0x100100, 7), "Invalid"},
    };
    for (const auto& [binding, shown] : rows) {
        EXPECT_EQ(bindingDisplayText(ActGes::Click, binding, 0), shown);
        EXPECT_EQ(keyBindingDisplayText(false, binding, 0), shown);
    }
    // While recording: the held modifiers alone.
    EXPECT_EQ(keyComboText(0x06, 0xFFFF), "Ctrl+Shift+");
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
