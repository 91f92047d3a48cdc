#include "recorders/BindingDisplayText.h"

#include "model/ActionMenus.h"
#include "model/ActionTable.h"
#include "model/ClickIds.h"
#include "model/KeyWords.h"
#include "model/ModifierLabels.h"
#include "platform/Localization.h"

#include <cctype>
#include <cstdio>
#include <optional>

namespace corv::recorders {

namespace {

std::string kindPrefix(std::int64_t kind) {
    if (kind <= 0) return {};
    if (kind == 1) return "\U00100263 ";
    if (kind == 2) return "\U00100A7C ";
    if (kind == 3) return "\U0010090F ";
    return "\U001002E6 ";
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Characters a URL text may not hold as they stand.
bool forbiddenInUrl(unsigned char c) {
    if (c <= 0x20 || c == 0x7F) return true;
    switch (c) {
    case '"': case '<': case '>': case '\\': case '^': case '`': case '{': case '|': case '}':
        return true;
    default:
        return false;
    }
}

// Host and decoded path of a URL text with an authority; nothing when the
// text is no URL or names no host.
std::optional<std::string> hostAndPath(const std::string& text) {
    for (char c : text)
        if (forbiddenInUrl(static_cast<unsigned char>(c))) return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] == '%' && (i + 2 >= text.size() || hexValue(text[i + 1]) < 0 || hexValue(text[i + 2]) < 0))
            return std::nullopt;

    std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    for (std::size_t i = 1; i < colon; ++i) {
        const char c = text[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return std::nullopt;
    }
    if (text.compare(colon + 1, 2, "//") != 0) return std::nullopt;

    const std::size_t authStart = colon + 3;
    const std::size_t authEnd = text.find_first_of("/?#", authStart);
    std::string host = text.substr(authStart, authEnd == std::string::npos ? std::string::npos : authEnd - authStart);
    if (auto at = host.rfind('@'); at != std::string::npos) host.erase(0, at + 1);
    if (auto portColon = host.rfind(':'); portColon != std::string::npos && host.find(']') == std::string::npos)
        host.erase(portColon);
    if (host.empty()) return std::nullopt;

    std::string path;
    if (authEnd != std::string::npos && text[authEnd] == '/') {
        const std::size_t pathEnd = text.find_first_of("?#", authEnd);
        const std::string raw =
            text.substr(authEnd, pathEnd == std::string::npos ? std::string::npos : pathEnd - authEnd);
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '%' && i + 2 < raw.size()) {
                path.push_back(static_cast<char>(hexValue(raw[i + 1]) * 16 + hexValue(raw[i + 2])));
                i += 2;
            } else {
                path.push_back(raw[i]);
            }
        }
    }
    return host + path;
}

std::string modClickText(const BindAction& b) {
    const auto label = modifierLabelFor(b.hotkeyMod);
    const auto click = clickNameFor(static_cast<std::int64_t>(b.hotkeyKey));
    if (!label || !click) return "Invalid";
    if (*label == "None") return std::string(*click);
    if (*click == "No Click") return "Mod " + shownModifierLabel(*label);
    return shownModifierLabel(*label) + "-" + std::string(*click);
}

std::string urlText(const BindAction& b, std::int64_t kind) {
    if (!b.hotkeyName.empty()) return kindPrefix(kind) + b.hotkeyName;
    if (b.appName.empty()) return platform::localized("Button action Url");
    if (kind == 1) {
        if (auto shown = hostAndPath(b.appName)) return kindPrefix(1) + *shown;
    }
    return kindPrefix(kind) + b.appName;
}

// Rules shared by both rows; nothing when the binding is a plain action.
std::optional<std::string> specialText(const BindAction& b, std::int64_t kind) {
    if (b.isHotkey) return keyComboText(b.hotkeyMod >> 16, b.hotkeyKey);
    if (b.actionSel == ActionId::AppLaunch) return "\u25B6\uFE0E " + b.appName;
    if (b.actionSel == ActionId::ModClicks) return modClickText(b);
    if (b.actionSel == ActionId::Url) return urlText(b, kind);
    return std::nullopt;
}

} // namespace

std::string keyComboText(std::uint64_t mask, std::uint16_t keyCode) {
    std::string text = modifierWords(mask, keyCode);
    if (keyCode == 0xFFFF) return text;
    if (auto name = shownKeyCodeName(keyCode)) return text += *name;
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(keyCode));
    return text += hex;
}

std::string bindingDisplayText(ActGes ges, const BindAction& binding, std::int64_t launchKind) {
    if (auto text = specialText(binding, launchKind)) return *text;
    switch (ges) {
    case ActGes::Tap:
    case ActGes::Click:
    case ActGes::Click2:
        return menuTitle(clickGestureActionMenu(), binding.actionSel).value_or("");
    case ActGes::Swipe:
    case ActGes::Rotate:
    case ActGes::Zoom:
        return menuTitle(gestureActionMenu(), binding.actionSel).value_or("");
    case ActGes::None:
        break;
    }
    return {};
}

std::string keyBindingDisplayText(bool generalKey, const BindAction& binding, std::int64_t launchKind) {
    if (auto text = specialText(binding, launchKind)) return *text;
    const ActionMenu& menu = generalKey ? keyActionMenu() : logiKeyActionMenu();
    return menuTitle(menu, binding.actionSel).value_or("");
}

} // namespace corv::recorders
