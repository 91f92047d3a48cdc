#pragma once

// Shared by the settings harnesses: import a settings file on a simulated
// machine; whatever was imported must write out and read back unchanged.

#include "model/Apps.h"
#include "model/SettingsStore.h"
#include "model/Shared.h"
#include "platform/PropertyList.h"
#include "platform/sim/SimPlatform.h"

#include <cstdlib>

namespace corv::fuzz {

inline void importAndRoundTrip(const Bytes& file) {
    static auto* const machine = new sim::SimPlatform();
    (void)machine;
    // The program always holds a global profile before a file is imported.
    const auto fresh = [] {
        resetShared();
        Apps::shared().setDefaultGlobalEntry();
    };
    fresh();
    if (!importSettingsBlob(file)) return;
    // Decoded objects always encode again: nothing is read that cannot be written.
    const auto written = settingsFileBytes();
    if (!written) std::abort();
    fresh();
    if (!importSettingsBlob(*written)) std::abort();
    if (settingsFileBytes() != written) std::abort();
}

// A settings file holding one blob under its key.
inline Bytes fileWithBlob(const char* key, const Bytes& blob) {
    plist::Node root = plist::newDict();
    plist::dictSet(root, settings_keys::kFileVersion, plist::makeData(Bytes{'1'}));
    plist::dictSet(root, key, plist::makeData(blob));
    return plist::toBinary(root);
}

inline constexpr const char* kBlobKeys[] = {settings_keys::kConfig, settings_keys::kAppItems,
                                            settings_keys::kKeyboards, settings_keys::kLogiKeys,
                                            settings_keys::kHaptic};

} // namespace corv::fuzz
