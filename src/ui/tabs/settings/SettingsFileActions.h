#pragma once

// The footer's settings-file actions: save to a file, load from one with a
// restart, and reset to the defaults with a restart. Each runs its dialogs
// through `ui::dialogs()`.

#include <string>

namespace corv::ui::settings {

// The digits of the short version ("0" without one): the file's "ver" entry.
std::string settingsFileVersion();
// "qzn_cfg_" and those digits.
std::string settingsFilePresetName();

// The save button: the save panel, then the file; an alert when it cannot be
// made or written. Does nothing while a dialog is showing.
void saveSettingsButton();
// The load button: the open panel, then the import and a restart; a file
// that is no settings file or cannot be read changes nothing, silently.
void loadSettingsButton();
// The reset button: after a confirmation, only "version" is removed and the
// program restarts without saving, so it comes up with the defaults.
void resetSettingsButton();

// The actions themselves, for a caller that counts the dialog already.
void exportSettingsFile();
void loadSettingsFile();
void confirmResetSettings();

} // namespace corv::ui::settings
