#include "model/ActionMenus.h"
#include "model/ActionTable.h"
#include "model/ExtraKeys.h"
#include "model/HidKeyTable.h"
#include "model/KeyCodeNames.h"
#include "model/KeyMenuKeys.h"
#include "model/KeyWords.h"
#include "model/LogiControlNames.h"
#include "model/ModifierLabels.h"
#include "model/ModifierMask.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace corv {
namespace {

// Every stored vocabulary the panel shows, name by name, as shown.
std::map<std::string, std::vector<std::string_view>> vocabularies() {
    std::map<std::string, std::vector<std::string_view>> v;
    for (const auto& [code, name] : keyCodeNames()) v["key codes"].push_back(name);
    for (const HidKeyRow& r : hidKeyTable())
        if (!r.isSeparator()) v["substitution keys"].push_back(r.label);
    for (const auto& [id, name] : logiControlNames()) v["Logitech controls"].push_back(name);
    for (const ModifierLabel& r : modifierLabelRows()) v["modifier labels"].push_back(r.label);
    for (const NamedKey& k : keyMenuKeys()) v["key menu"].push_back(k.name);
    for (const ExtraKey& k : extraKeys()) v["extra keys"].push_back(k.name);
    return v;
}

std::string shown(const std::string& vocabulary, std::string_view stored) {
    return vocabulary == "modifier labels" ? shownModifierLabel(stored) : std::string(shownKeyName(stored));
}

// One table, 29 rows: each translates a name some vocabulary stores; within a
// vocabulary two names never show alike, so the shown text leads back to the
// one stored; and nothing shown is a Mac word.
TEST(KeyWords, OneTableTurnsEveryStoredNameIntoOneLinuxWord) {
    ASSERT_EQ(keyWords().size(), 29u);
    const auto all = vocabularies();
    std::set<std::string_view> stored;
    for (const auto& [vocabulary, names] : all) stored.insert(names.begin(), names.end());
    for (const KeyWord& w : keyWords()) {
        const bool symbol = w.stored.size() <= 3;  // the modifier symbols and Fn
        EXPECT_TRUE(symbol || stored.count(w.stored)) << w.stored << " is stored nowhere";
        EXPECT_TRUE(w.stored == "Fn" || w.shown != w.stored) << w.stored;
    }
    for (const auto& [vocabulary, names] : all) {
        std::map<std::string, std::string_view> back;
        for (std::string_view name : names) {
            const std::string text = shown(vocabulary, name);
            const auto [it, fresh] = back.emplace(text, name);
            EXPECT_TRUE(fresh || it->second == name) << vocabulary << ": " << name << " and " << it->second;
            for (const char* mac : {"\u2318", "\u2325", "\u2303", "\u21E7", "\u23B5", "Command", "CMD", "Cmd", "Option"})
                EXPECT_EQ(text.find(mac), std::string::npos) << vocabulary << ": " << text;
        }
    }
    EXPECT_EQ(shownModifierLabel("\u21E7\u2318"), "Shift+Super");
    EXPECT_EQ(shownModifierLabel("\u2325\u2303"), "Ctrl+Alt");
    EXPECT_EQ(shownModifierLabel("None"), "None");
    EXPECT_EQ(modifierWords(ModMask::All), "Fn+Ctrl+Alt+Shift+Super+");
}

// The modifier-click actions' names speak the same words.
TEST(KeyWords, ModifierClickActionsUseTheWords) {
    const std::vector<std::pair<std::int64_t, std::uint64_t>> rows{
        {ActionId::CmdClick, ModMask::Command},
        {ActionId::ShiftCmdClick, ModMask::Shift | ModMask::Command},
        {ActionId::CtrlCmdClick, ModMask::Control | ModMask::Command},
        {ActionId::ShiftClick, ModMask::Shift},
        {ActionId::OptionClick, ModMask::Option},
    };
    for (const auto& [action, mask] : rows) {
        std::string words = modifierWords(mask);
        words.back() = '-';
        EXPECT_EQ(menuTitle(keyActionMenu(), action), words + "Click");
    }
}

} // namespace
} // namespace corv
