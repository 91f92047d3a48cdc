#include "engine/ShortcutList.h"

#include "engine/Commands.h"
#include "model/Shared.h"
#include "platform/Platform.h"

#include <utility>

namespace corv::engine {

namespace {

bool isNewline(const std::string& text, std::size_t i, std::size_t& length) {
    const auto c = static_cast<unsigned char>(text[i]);
    length = 1;
    if (c == '\n' || c == '\r' || c == 0x0B || c == 0x0C) return true;
    // U+0085, U+2028 and U+2029.
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x85) {
        length = 2;
        return true;
    }
    if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80) {
        const auto d = static_cast<unsigned char>(text[i + 2]);
        if (d == 0xA8 || d == 0xA9) {
            length = 3;
            return true;
        }
    }
    return false;
}

} // namespace

std::string trimSpacesAndTabs(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

ShortcutList& ShortcutList::shared() { return Shared<ShortcutList>::instance(); }

std::vector<std::string> parseShortcutNames(const Bytes& output) {
    auto text = decodeUtf8(output);
    if (!text) return {};
    std::vector<std::string> names;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text->size();) {
        std::size_t length = 0;
        if (i == text->size() || isNewline(*text, i, length)) {
            std::string name = trimSpacesAndTabs(text->substr(start, i - start));
            if (!name.empty()) names.push_back(std::move(name));
            if (i == text->size()) break;
            i += length;
            start = i;
        } else {
            ++i;
        }
    }
    return names;
}

void fetchShortcutNames(std::function<void(std::vector<std::string>)> done) {
    auto& files = platform::files();
    if (!files.isExecutable(kShortcutsTool) || files.isDirectory(kShortcutsTool)) {
        platform::runLoop().post([done = std::move(done)] { done({}); });
        return;
    }
    // The shell drops the tool's error output, which would read as names.
    const std::string command = std::string("exec ") + kShortcutsTool + " list 2>/dev/null";
    platform::processes().run("/bin/sh", {"-c", command}, [done = std::move(done)](std::optional<Bytes> output) {
        done(output ? parseShortcutNames(*output) : std::vector<std::string>{});
    });
}

void refreshShortcutNames() {
    fetchShortcutNames([](std::vector<std::string> names) { ShortcutList::shared().names = std::move(names); });
}

} // namespace corv::engine
