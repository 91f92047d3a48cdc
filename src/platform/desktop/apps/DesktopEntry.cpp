#include "platform/desktop/apps/DesktopEntry.h"

#include <algorithm>

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

struct ExecArgument {
    std::string text;
    bool quoted = false;
};

// The arguments of an Exec= command line, quotes removed; nothing when a
// quote is not closed.
std::optional<std::vector<ExecArgument>> splitExec(std::string_view line) {
    std::vector<ExecArgument> args;
    std::size_t i = 0;
    while (true) {
        i = line.find_first_not_of(kBlank, i);
        if (i == std::string_view::npos) break;
        std::string arg;
        const bool quoted = line[i] == '"';
        if (quoted) {
            for (++i;; ++i) {
                if (i >= line.size()) return std::nullopt;  // unterminated quote
                if (line[i] == '"') break;
                if (line[i] == '\\' && i + 1 < line.size()) ++i;
                arg += line[i];
            }
            ++i;
        } else {
            const auto end = line.find_first_of(kBlank, i);
            arg = std::string(line.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
            i = end == std::string_view::npos ? line.size() : end;
        }
        args.push_back({std::move(arg), quoted});
    }
    return args;
}

// The first argument of an Exec= command line, a doubled percent sign undone.
std::optional<std::string> firstArgument(std::string_view line) {
    auto args = splitExec(line);
    if (!args || args->empty()) return std::nullopt;
    const std::string& arg = args->front().text;
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

std::optional<std::string> entryValue(std::string_view entryText, std::string_view key) {
    const auto value = mainGroupValue(entryText, key);
    if (!value) return std::nullopt;
    return unescapeString(*value);
}

std::optional<std::vector<std::string>> execArgumentsOf(std::string_view entryText,
                                                        const std::vector<std::string>& targets) {
    const auto exec = mainGroupValue(entryText, "Exec");
    if (!exec) return std::nullopt;
    auto args = splitExec(unescapeString(*exec));
    if (!args || args->empty()) return std::nullopt;
    std::vector<std::string> out;
    for (const auto& [arg, quoted] : *args) {
        // Field codes are not allowed inside quotes, where a target would
        // land in the middle of a string (say, a shell's script): there they
        // are dropped.
        if (quoted && arg.size() == 2 && arg[0] == '%' && arg[1] != '%') continue;
        // A field code standing alone may become several arguments or none.
        if (!quoted && (arg == "%F" || arg == "%U")) {
            out.insert(out.end(), targets.begin(), targets.end());
            continue;
        }
        if (!quoted && (arg == "%f" || arg == "%u")) {
            if (!targets.empty()) out.push_back(targets.front());
            continue;
        }
        std::string expanded;
        bool dropped = false;
        for (std::size_t k = 0; k < arg.size(); ++k) {
            if (arg[k] != '%' || k + 1 == arg.size()) {
                expanded += arg[k];
                continue;
            }
            const char code = arg[++k];
            if (code == '%')
                expanded += '%';
            else if ((code == 'f' || code == 'u') && !targets.empty() && !quoted)
                expanded += targets.front();
            else if (code == 'i' || code == 'c' || code == 'k')
                dropped = expanded.empty() && k + 1 == arg.size();
        }
        if (!dropped) out.push_back(std::move(expanded));
    }
    if (out.empty() || out.front().empty()) return std::nullopt;
    return out;
}

bool shownOnDesktops(std::string_view entryText, std::string_view currentDesktops) {
    const auto names = [](std::string_view list, char separator) {
        std::vector<std::string> out;
        for (std::size_t start = 0; start <= list.size();) {
            const std::size_t end = std::min(list.find(separator, start), list.size());
            if (end > start) out.emplace_back(list.substr(start, end - start));
            start = end + 1;
        }
        return out;
    };
    const std::vector<std::string> current = names(currentDesktops, ':');
    const auto namesCurrent = [&](const std::optional<std::string>& list) {
        for (const std::string& d : names(list.value_or(""), ';'))
            if (std::find(current.begin(), current.end(), d) != current.end()) return true;
        return false;
    };
    const auto only = entryValue(entryText, "OnlyShowIn");
    if (only && !namesCurrent(only)) return false;
    return !namesCurrent(entryValue(entryText, "NotShowIn"));
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
