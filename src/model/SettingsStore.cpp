#include "model/SettingsStore.h"

#include "model/Apps.h"
#include "model/Haptic.h"
#include "model/KeySubOpt.h"
#include "model/LogiKeysOpt.h"
#include "model/Options.h"
#include "model/Shared.h"
#include "platform/Platform.h"
#include "platform/PropertyList.h"

#include <limits>
#include <memory>

namespace corv {

namespace {

using namespace settings_keys;

template <class T>
Bytes encodeObject(const T& object) {
    plist::KeyedEncoder e;
    object.encode(e);
    return plist::toBinary(e.take());
}

template <class T>
std::shared_ptr<T> decodeObject(const Bytes& bytes) {
    plist::Node root = plist::parse(bytes);
    return T::decodeObject(plist::KeyedDecoder(root.get()));
}

// Copies the stored fields into the shared instance, which stays the same
// object: whoever holds it or watches its fields keeps working. Observers do
// not run; subscribers hear each field.
template <class T>
void copyField(Published<T>& to, const Published<T>& from) {
    to.setWithoutObserver(from.get());
}

void assignStored(Options& to, const Options& from) {
    // runAtLogin mirrors the login items and is never stored.
    copyField(to.showDescription, from.showDescription);
    copyField(to.hideIcon, from.hideIcon);
    copyField(to.sclAccEn, from.sclAccEn);
    copyField(to.sclAcc, from.sclAcc);
    copyField(to.autoCheckUpdates, from.autoCheckUpdates);
    copyField(to.theme, from.theme);
    copyField(to.tabSelection, from.tabSelection);
}
void assignStored(Apps& to, const Apps& from) { copyField(to.a, from.a); }
void assignStored(KeySubOpt& to, const KeySubOpt& from) {
    copyField(to.subGlobalEn, from.subGlobalEn);
    copyField(to.keySub, from.keySub);
}
void assignStored(LogiKeysOpt& to, const LogiKeysOpt& from) { copyField(to.k, from.k); }
void assignStored(Haptic& to, const Haptic& from) {
    copyField(to.mEnable, from.mEnable);
    copyField(to.sEnable, from.sEnable);
    copyField(to.mPara, from.mPara);
    copyField(to.sPara, from.sPara);
}

// Loads the shared instance from the bytes when they decode; false otherwise.
template <class T>
bool replaceFrom(const std::optional<Bytes>& bytes) {
    if (!bytes) return false;
    std::shared_ptr<T> decoded;
    try {
        decoded = decodeObject<T>(*bytes);
    } catch (const plist::CodingError&) {
        return false;
    }
    assignStored(Shared<T>::instance(), *decoded);
    return true;
}

// Stores the object's blob; a blob that fails to encode keeps its stored bytes.
template <class T>
void storeBlob(const char* key, const T& object) {
    try {
        platform::defaults().setData(key, encodeObject(object));
    } catch (const plist::CodingError&) {
    }
}

// UTF-8 code point at i, advancing i; invalid bytes give U+FFFD.
char32_t nextCodePoint(const std::string& s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80) return b0;
    int extra = b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : -1;
    if (extra < 0) return 0xFFFD;
    char32_t cp = b0 & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp;
}

// Numeric characters beyond ASCII that a version text might hold: other
// scripts' decimal digits, superscripts, fractions, Roman numerals, circled
// and fullwidth digits.
bool isOtherNumeric(char32_t c) {
    static constexpr std::pair<char32_t, char32_t> kRanges[] = {
        {0x00B2, 0x00B3}, {0x00B9, 0x00B9}, {0x00BC, 0x00BE}, {0x0660, 0x0669}, {0x06F0, 0x06F9},
        {0x07C0, 0x07C9}, {0x0966, 0x096F}, {0x09E6, 0x09EF}, {0x0A66, 0x0A6F}, {0x0AE6, 0x0AEF},
        {0x0B66, 0x0B6F}, {0x0BE6, 0x0BF2}, {0x0C66, 0x0C6F}, {0x0CE6, 0x0CEF}, {0x0D66, 0x0D6F},
        {0x0E50, 0x0E59}, {0x0ED0, 0x0ED9}, {0x0F20, 0x0F33}, {0x1040, 0x1049}, {0x17E0, 0x17E9},
        {0x1810, 0x1819}, {0x2070, 0x2079}, {0x2080, 0x2089}, {0x2150, 0x2189}, {0x2460, 0x249B},
        {0x24EA, 0x24FF}, {0x2776, 0x2793}, {0x3007, 0x3007}, {0x3021, 0x3029}, {0xFF10, 0xFF19},
    };
    for (auto [lo, hi] : kRanges)
        if (c >= lo && c <= hi) return true;
    return false;
}

} // namespace

std::string versionDigitsOf(const std::string& shortVersion) {
    std::string digits;
    for (char c : shortVersion)
        if (c >= '0' && c <= '9') digits += c;
    return digits;
}

std::int64_t versionNumberOf(const std::string& shortVersion) {
    std::int64_t value = 0;
    bool any = false;
    for (std::size_t i = 0; i < shortVersion.size();) {
        char32_t c = nextCodePoint(shortVersion, i);
        if (c >= '0' && c <= '9') {
            const int digit = static_cast<int>(c - '0');
            if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 10) return 0;
            value = value * 10 + digit;
            any = true;
        } else if (isOtherNumeric(c)) {
            return 0;
        }
    }
    return any ? value : 0;
}

std::int64_t versionNumber() { return versionNumberOf(platform::bundle().shortVersion().value_or("0")); }

bool importSettingsBlob(const Bytes& bytes) {
    std::map<std::string, Bytes> file;
    try {
        file = plist::decode<std::map<std::string, Bytes>>(bytes);
    } catch (const plist::CodingError&) {
        return false;
    }
    if (!file.count(kFileVersion)) return false;
    auto blob = [&](const char* key) -> std::optional<Bytes> {
        auto it = file.find(key);
        if (it == file.end()) return std::nullopt;
        return it->second;
    };
    replaceFrom<Options>(blob(kConfig));
    // The panel and the engine expect a global profile: an imported Apps without one gets the default.
    if (replaceFrom<Apps>(blob(kAppItems)) && !Apps::shared().a.get().count(std::string()))
        Apps::shared().setDefaultGlobalEntry();
    replaceFrom<KeySubOpt>(blob(kKeyboards));
    replaceFrom<LogiKeysOpt>(blob(kLogiKeys));
    replaceFrom<Haptic>(blob(kHaptic));
    return true;
}

SettingsLoad loadSettings() {
    SettingsLoad result;
    auto& files = platform::files();
    auto& defaults = platform::defaults();
    const auto args = platform::bundle().arguments();
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (!files.exists(args[i])) continue;
        // Only the first existing entry is tried.
        if (auto bytes = files.readFile(args[i]); bytes && importSettingsBlob(*bytes)) {
            // The next save replaces stored settings that were never loaded.
            defaults.keepCopyBeforeNextWrite();
            result.importedArgument = i;
            return result;
        }
        result.notImported = args[i];
        break;
    }
    if (!result.notImported && args.size() > 1) result.missing = args[1];

    const auto version = defaults.integer(kVersion);
    if (!version || *version < kOldestAcceptedVersion) {
        for (const char* key : {kConfig, kAppItems, kKeyboards, kLogiKeys, kHaptic}) {
            if (defaults.value(key)) defaults.keepCopyBeforeNextWrite();
            defaults.remove(key);
        }
        Apps::shared().setDefaultGlobalEntry();
        return result;
    }

    // A stored blob that does not load is kept in a copy before it is replaced.
    auto load = [&](const char* key, auto replace) {
        const bool loaded = replace(defaults.data(key));
        if (!loaded && defaults.value(key)) defaults.keepCopyBeforeNextWrite();
        return loaded;
    };
    load(kConfig, replaceFrom<Options>);
    if (!load(kAppItems, replaceFrom<Apps>)) Apps::shared().setDefaultGlobalEntry();
    load(kKeyboards, replaceFrom<KeySubOpt>);
    load(kLogiKeys, replaceFrom<LogiKeysOpt>);
    load(kHaptic, replaceFrom<Haptic>);
    return result;
}

std::string notImportedMessage(const std::string& path) {
    return "corvadine: " + path + " was not imported as a settings file; the stored settings are used.";
}

std::string missingFileMessage(const std::string& path) {
    return "corvadine: " + path + " does not exist; the stored settings are used.";
}

bool saveSettings() {
    auto& defaults = platform::defaults();
    defaults.setInteger(kVersion, versionNumber());
    storeBlob(kConfig, Options::shared());
    storeBlob(kAppItems, Apps::shared());
    storeBlob(kKeyboards, KeySubOpt::shared());
    storeBlob(kLogiKeys, LogiKeysOpt::shared());
    storeBlob(kHaptic, Haptic::shared());
    return defaults.synchronize();
}

void resetSettings() {
    auto& defaults = platform::defaults();
    for (const char* key : {kVersion, kConfig, kAppItems, kKeyboards, kLogiKeys, kHaptic}) defaults.remove(key);
    defaults.synchronize();
}

std::optional<Bytes> settingsFileBytes() {
    try {
        const std::string digits = versionDigitsOf(platform::bundle().shortVersion().value_or("0"));
        plist::Node root = plist::newDict();
        plist::dictSet(root, kFileVersion, plist::makeData(Bytes(digits.begin(), digits.end())));
        plist::dictSet(root, kConfig, plist::makeData(encodeObject(Options::shared())));
        plist::dictSet(root, kAppItems, plist::makeData(encodeObject(Apps::shared())));
        plist::dictSet(root, kKeyboards, plist::makeData(encodeObject(KeySubOpt::shared())));
        plist::dictSet(root, kLogiKeys, plist::makeData(encodeObject(LogiKeysOpt::shared())));
        plist::dictSet(root, kHaptic, plist::makeData(encodeObject(Haptic::shared())));
        return plist::toBinary(root);
    } catch (const plist::CodingError&) {
        return std::nullopt;
    }
}

} // namespace corv
