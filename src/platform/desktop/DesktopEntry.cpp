#include "platform/desktop/DesktopEntry.h"

namespace corv::desktop {

namespace {

constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
constexpr std::string_view kEscapedInQuotes = "\"`$\\";
constexpr std::string_view kBlank = " \t";

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlank);
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(kBlank);
    return s.substr(first, last - first + 1);
}

// The string-value escapes (\s \n \t \r \\); any other backslash stays.
std::string unescapeString(std::string_view v) {
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        switch (v[i + 1]) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default:
            out += '\\';
            out += v[i + 1];
            break;
        }
        ++i;
    }
    return out;
}

std::string escapeString(std::string_view v) {
    std::string out;
    for (char c : v) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out += c; break;
        }
    }
    return out;
}

// The first argument of an Exec= command line, quotes removed.
std::optional<std::string> firstArgument(std::string_view line) {
    std::size_t i = line.find_first_not_of(kBlank);
    if (i == std::string_view::npos) return std::nullopt;
    std::string arg;
    if (line[i] == '"') {
        for (++i;; ++i) {
            if (i >= line.size()) return std::nullopt;  // unterminated quote
            if (line[i] == '"') break;
            if (line[i] == '\\' && i + 1 < line.size()) ++i;
            arg += line[i];
        }
    } else {
        const auto end = line.find_first_of(kBlank, i);
        arg = std::string(line.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
    }
    // A literal percent sign is written doubled.
    std::string out;
    for (std::size_t k = 0; k < arg.size(); ++k) {
        out += arg[k];
        if (arg[k] == '%' && k + 1 < arg.size() && arg[k + 1] == '%') ++k;
    }
    if (out.empty()) return std::nullopt;
    return out;
}

// The raw value of a key of the [Desktop Entry] group; as in other readers, a
// repeated key's last value counts.
std::optional<std::string_view> mainGroupValue(std::string_view entryText, std::string_view key) {
    bool inMainGroup = false;
    std::optional<std::string_view> value;
    while (!entryText.empty()) {
        const auto nl = entryText.find('\n');
        std::string_view line = entryText.substr(0, nl);
        entryText = nl == std::string_view::npos ? std::string_view{} : entryText.substr(nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = trim(line);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup) continue;
        const auto eq = line.find('=');
        if (eq == std::string_view::npos || trim(line.substr(0, eq)) != key) continue;
        value = trim(line.substr(eq + 1));
    }
    return value;
}

} // namespace

std::string execValueFor(const std::string& program) {
    std::string arg;
    if (program.empty() || program.find_first_of(kReserved) != std::string::npos) {
        arg += '"';
        for (char c : program) {
            if (kEscapedInQuotes.find(c) != std::string_view::npos) arg += '\\';
            arg += c;
        }
        arg += '"';
    } else {
        arg = program;
    }
    std::string withPercents;
    for (char c : arg) {
        withPercents += c;
        if (c == '%') withPercents += '%';
    }
    return escapeString(withPercents);
}

std::optional<std::string> execProgramOf(std::string_view entryText) {
    const auto exec = mainGroupValue(entryText, "Exec");
    if (!exec) return std::nullopt;
    return firstArgument(unescapeString(*exec));
}

bool autostartEnabled(std::string_view entryText) {
    return mainGroupValue(entryText, "Hidden") != "true" &&
           mainGroupValue(entryText, "X-GNOME-Autostart-enabled") != "false";
}

std::string autostartEntryFor(const std::string& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Corvadine\n"
           "Exec=" + execValueFor(program) + "\n"
           "X-GNOME-Autostart-enabled=true\n";
}

} // namespace corv::desktop
