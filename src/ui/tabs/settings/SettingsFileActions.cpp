#include "ui/tabs/settings/SettingsFileActions.h"

#include "app/AppDelegate.h"
#include "model/SettingsStore.h"
#include "model/UIState.h"
#include "platform/Localization.h"
#include "platform/Platform.h"
#include "ui/Dialogs.h"

namespace corv::ui::settings {

namespace {

constexpr const char* kProgramName = "Corvadine";

std::vector<FileFilter> plistOnly() { return {{"Property list", {"plist"}}}; }

} // namespace

std::string settingsFileVersion() { return versionDigitsOf(platform::bundle().shortVersion().value_or("0")); }

std::string settingsFilePresetName() { return "qzn_cfg_" + settingsFileVersion(); }

void exportSettingsFile() {
    SavePanel panel;
    panel.title = platform::localized("Button save settings to file");
    panel.presetName = settingsFilePresetName();
    panel.filters = plistOnly();
    const auto path = dialogs().runSavePanel(panel);
    if (!path || path->empty()) return;
    const auto bytes = settingsFileBytes();
    if (bytes && platform::files().writeFile(*path, *bytes)) return;
    dialogs().runAlert({kProgramName, platform::localized("Message save fail"), {platform::localized("Button ok")}});
}

void loadSettingsFile() {
    OpenPanel panel;
    panel.title = platform::localized("Button load settings from file");
    panel.presetName = "qzn_cfg";
    panel.filters = plistOnly();
    const auto path = dialogs().runOpenPanel(panel);
    if (!path || path->empty()) return;
    const auto bytes = platform::files().readFile(*path);
    if (!bytes || !importSettingsBlob(*bytes)) return;
    // The termination saves the imported objects; the restart loads them.
    resetSettings();
    app::AppDelegate::shared().restartClick();
}

void confirmResetSettings() {
    const int answer = dialogs().runAlert({platform::localized("Setting tab wipe out all alert title"),
                                           platform::localized("Setting tab wipe out all alert message"),
                                           {platform::localized("Button yes"), platform::localized("Button cancel")}});
    if (answer != 0) return;
    auto& defaults = platform::defaults();
    defaults.remove(settings_keys::kVersion);
    // Nothing saves at the termination, so the removal is written now.
    defaults.synchronize();
    UIState::shared().quitWithoutSave.set(true);
    app::AppDelegate::shared().restartClick();
}

void saveSettingsButton() { runIfNoDialog(exportSettingsFile); }
void loadSettingsButton() { runIfNoDialog(loadSettingsFile); }
void resetSettingsButton() { runIfNoDialog(confirmResetSettings); }

} // namespace corv::ui::settings
