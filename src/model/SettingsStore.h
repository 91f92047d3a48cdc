#pragma once

// Keeps the five settings objects in the user defaults between runs, and reads
// and writes the settings file.

#include "platform/Bytes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace corv {

namespace settings_keys {
inline constexpr const char* kVersion = "version";
inline constexpr const char* kConfig = "config";
inline constexpr const char* kAppItems = "appitems";
inline constexpr const char* kKeyboards = "keyboards";
inline constexpr const char* kLogiKeys = "logikeys";
inline constexpr const char* kHaptic = "haptic";
inline constexpr const char* kFileVersion = "ver";
} // namespace settings_keys

// Stored settings older than this are discarded at load.
inline constexpr std::int64_t kOldestAcceptedVersion = 260113;

// The digits of a version text, in order; only ASCII digits are kept.
std::string versionDigitsOf(const std::string& shortVersion);
// The digits read as one number; 0 when there are none, when the text holds a
// numeric character other than 0-9, or when the number overflows.
std::int64_t versionNumberOf(const std::string& shortVersion);
// The program's own version number, from its short version string.
std::int64_t versionNumber();

// What the load did with a settings file named on the command line.
struct SettingsLoad {
    // Named but not imported: the stored settings were loaded instead.
    std::optional<std::string> notImported;
    // Named, but no argument names an existing file.
    std::optional<std::string> missing;
    // The position among the arguments of the file imported.
    std::optional<std::size_t> importedArgument;
};

// At launch: imports the settings file named on the command line, or else
// loads the user defaults under the version rule. Stored settings that are
// not loaded (discarded blobs, blobs that fail to decode, everything after an
// import) are copied by the user defaults before they are next replaced.
SettingsLoad loadSettings();
// The line on standard error for a settings file that was not imported.
std::string notImportedMessage(const std::string& path);
// The line on standard error for a settings file that does not exist.
std::string missingFileMessage(const std::string& path);
// Stores the version and the five blobs, then synchronises; false when the
// user defaults could not be written.
bool saveSettings();
// Removes every stored key; the objects in memory stay as they are.
void resetSettings();
// Reads a settings file into the shared objects; false when it is not one.
bool importSettingsBlob(const Bytes& bytes);
// The settings file of the current objects: "ver" and the five blobs. Nothing
// when any object fails to encode.
std::optional<Bytes> settingsFileBytes();

} // namespace corv
