#include "engine/LaunchTarget.h"

#include "engine/Commands.h"
#include "engine/ShortcutList.h"
#include "platform/Platform.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string_view>

namespace corv::engine {

namespace {

constexpr std::array<const char*, 3> kScriptExtensions{"scpt", "applescript", "scptd"};
// The system's executables start with the ELF magic number; scripts with "#!".
constexpr std::uint32_t kElfMagic = 0x7F454C46;  // 0x7F 'E' 'L' 'F'

constexpr std::string_view kQuotedByBackslash = "\"\\$`\n";

std::string lowercased(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The extension of the last path component; a leading dot starts none.
std::string pathExtension(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return {};
    return name.substr(dot + 1);
}

bool hasScheme(const std::string& text) {
    const auto colon = text.find(':');
    if (colon == std::string::npos || colon == 0) return false;
    if (!std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    return std::all_of(text.begin() + 1, text.begin() + static_cast<std::ptrdiff_t>(colon), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return std::isalnum(c) || c == '+' || c == '-' || c == '.';
    });
}

// A URL made from text; nothing when the text cannot stand as one.
std::optional<Url> urlFromText(const std::string& text) {
    if (!Url::isValidText(text)) return std::nullopt;
    return Url(text);
}

Url fileUrl(const std::string& path) { return Url::fileFromPath(path, platform::files().currentDirectory()); }

} // namespace

std::string expandTildeInPath(const std::string& path) {
    if (path.empty() || path[0] != '~') return path;
    if (path.size() > 1 && path[1] != '/') return path;
    return platform::files().homeDirectory() + path.substr(1);
}

std::vector<std::string> splitArguments(const std::string& tail) {
    std::vector<std::string> args;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const char c = tail[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord) args.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\'') {
            const auto close = tail.find('\'', i + 1);
            word += tail.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
            i = close == std::string::npos ? tail.size() : close;
        } else if (c == '"') {
            for (++i; i < tail.size() && tail[i] != '"'; ++i) {
                // Inside double quotes a backslash quotes only these.
                if (tail[i] == '\\' && i + 1 < tail.size() && kQuotedByBackslash.find(tail[i + 1]) != std::string_view::npos)
                    ++i;
                word += tail[i];
            }
        } else if (c == '\\' && i + 1 < tail.size()) {
            word += tail[++i];
        } else {
            word += c;
        }
    }
    if (inWord) args.push_back(std::move(word));
    return args;
}

std::pair<std::string, bool> splitLaunchCommand(const std::string& text) {
    if (text.empty() || text[0] != '"') {
        if (platform::files().exists(expandTildeInPath(text))) return {text, false};
        const auto space = text.find(' ');
        if (space != std::string::npos) return {text.substr(0, space), true};
        return {text, false};
    }
    const std::string rest = text.substr(1);
    const auto quote = rest.find('"');
    if (quote == std::string::npos) return {rest, false};
    return {rest.substr(0, quote), !trimSpacesAndTabs(rest.substr(quote + 1)).empty()};
}

bool readFileHeader(const std::string& path) {
    auto header = platform::files().readPrefix(path, 4);
    if (!header || header->size() < 2) return false;
    const Bytes& b = *header;
    if (b[0] == 0x23 && b[1] == 0x21) return true;
    if (b.size() != 4) return false;
    const std::uint32_t magic = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                                (std::uint32_t{b[2]} << 8) | std::uint32_t{b[3]};
    return magic == kElfMagic;
}

LaunchTargetKind classifyLaunchTarget(const std::string& text) {
    if (text.empty()) return LaunchTargetKind::None;
    auto& files = platform::files();
    auto& workspace = platform::workspace();
    const std::string path = expandTildeInPath(splitLaunchCommand(text).first);
    if (!path.empty() && path[0] == '/' && files.exists(path)) {
        const std::string extension = lowercased(pathExtension(path));
        if (std::find(kScriptExtensions.begin(), kScriptExtensions.end(), extension) != kScriptExtensions.end())
            return LaunchTargetKind::Script;
        if (!files.isDirectory(path) && files.isExecutable(path) && readFileHeader(path))
            return LaunchTargetKind::Executable;
        return workspace.applicationToOpenUrl(fileUrl(path)) ? LaunchTargetKind::Document : LaunchTargetKind::None;
    }
    if (hasScheme(text)) {
        if (auto url = urlFromText(text); url && workspace.applicationToOpenUrl(*url)) return LaunchTargetKind::Document;
    }
    const auto& names = ShortcutList::shared().names;
    return std::find(names.begin(), names.end(), text) != names.end() ? LaunchTargetKind::Shortcut
                                                                      : LaunchTargetKind::None;
}

void launchTarget(const std::string& text) {
    const auto [program, hasArguments] = splitLaunchCommand(text);
    const std::string expanded = expandTildeInPath(program);
    auto& workspace = platform::workspace();
    switch (classifyLaunchTarget(text)) {
    case LaunchTargetKind::None:
        return;
    case LaunchTargetKind::Document: {
        auto url = !expanded.empty() && expanded[0] == '/' ? std::optional<Url>(fileUrl(expanded))
                                                           : urlFromText(expanded);
        if (url) workspace.openUrl(*url);
        return;
    }
    case LaunchTargetKind::Executable: {
        if (!hasArguments) {
            if (!runProcess(expanded, {})) workspace.openUrl(fileUrl(expanded));
            return;
        }
        // The program is started itself with the tail's words as its
        // arguments: no shell ever reads the user's text.
        const std::size_t programLength = text[0] == '"' ? program.size() + 2 : program.size();
        runProcess(expanded, splitArguments(text.substr(std::min(programLength, text.size()))));
        return;
    }
    case LaunchTargetKind::Script:
        runProcess("/usr/bin/osascript", {expanded});
        return;
    case LaunchTargetKind::Shortcut:
        runProcess(kShortcutsTool, {"run", text});
        return;
    }
}

} // namespace corv::engine
