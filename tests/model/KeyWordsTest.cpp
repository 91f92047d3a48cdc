#include "model/HidKeyTable.h"
#include "model/KeyCodeNames.h"
#include "model/KeyWords.h"
#include "model/LogiControlNames.h"
#include "model/ModifierLabels.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

namespace corv {
namespace {

// Each stored vocabulary through the one table: no Mac word is shown, and no
// two stored names of one vocabulary show alike, so each shown text leads back.
TEST(KeyWords, EveryStoredNameShowsOneLinuxWord) {
    EXPECT_EQ(keyWords().size(), 29u);
    std::map<std::pair<int, std::string>, std::string_view> back;
    const auto check = [&](int vocabulary, std::string_view stored, const std::string& shown) {
        EXPECT_FALSE(std::regex_search(shown, std::regex("\u2318|\u2325|\u2303|\u21E7|\u23B5|Command|CMD|Cmd|Option"))) << shown;
        EXPECT_EQ(back.emplace(std::pair(vocabulary, shown), stored).first->second, stored) << shown;
    };
    for (const auto& [code, name] : keyCodeNames()) check(0, name, std::string(shownKeyName(name)));
    for (const HidKeyRow& r : hidKeyTable()) check(1, r.label, std::string(shownKeyName(r.label)));
    for (const auto& [id, name] : logiControlNames()) check(2, name, std::string(shownKeyName(name)));
    for (const ModifierLabel& r : modifierLabelRows()) check(3, r.label, shownModifierLabel(r.label));
    EXPECT_EQ(shownModifierLabel("\u2325\u2303"), "Ctrl+Alt");
}

} // namespace
} // namespace corv
