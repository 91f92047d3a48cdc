#include "model/HelpTexts.h"

#include "platform/Localization.h"

namespace corv {

const std::array<std::string_view, kHelpTextCount>& helpTextKeys() {
    static constexpr std::array<std::string_view, kHelpTextCount> keys{
        "Help lct",
        "Help rct",
        "Help sct",
        "Help binding click through",
        "Help multishot",
        "Help keys sub",
        "Help logi keyb",
        "Help general key bind",
        "Help logi keyb brightness",
        "Help hide icon",
        "Help color scheme",
        "Help deactivate",
        "Help interfering apps",
        "Help url",
    };
    return keys;
}

const std::array<std::string, kHelpTextCount>& helpTexts() {
    static const auto texts = [] {
        std::array<std::string, kHelpTextCount> a;
        for (std::size_t i = 0; i < kHelpTextCount; ++i) a[i] = platform::localized(helpTextKeys()[i]);
        return a;
    }();
    return texts;
}

const std::string& helpText(HelpTopic topic) {
    static const std::string none;
    auto i = static_cast<std::size_t>(topic);
    return i < kHelpTextCount ? helpTexts()[i] : none;
}

} // namespace corv
