#pragma once

// The program's GNOME Shell extension: shipped inside the program, copied into
// the user's extensions folder, and what the user is told to turn it on.

#include <QString>

#include <optional>
#include <string>

namespace corv::desktop {

inline constexpr const char* kGnomeExtensionUuid = "corvadine@brelvantoque.com";

// $XDG_DATA_HOME/gnome-shell/extensions/<uuid>; `dataHome` empty: the standard one.
QString gnomeExtensionFolder(const QString& dataHome = {});

enum class ExtensionCopy { Current, Written, Failed };

// GNOME Shell 43 and 44 load the legacy form (imports.*, init()), 45 and
// later an ES module; the build makes both from one body.
enum class ExtensionForm { Legacy, Module };

// The form GNOME Shell of that major version loads; nothing for one the
// extension does not run on, or 0 (not known).
std::optional<ExtensionForm> gnomeExtensionForm(int shellMajor);

// Writes the form's shipped files into the folder where they are missing or
// differ, over a copy of the other form; other files there are left alone.
ExtensionCopy installGnomeExtension(const QString& folder, ExtensionForm form);

// What GNOME Shell says of the extension (its Extensions interface).
enum class ExtensionState {
    Unknown,   // the shell has not seen it: it reads new extensions at login
    Disabled,  // seen, not turned on
    Failed,    // turned on, but it failed or does not fit this shell
    Enabled,
};

// GNOME Shell's numbers of an extension's state.
ExtensionState extensionStateOf(std::optional<double> shellState);

struct ExtensionNotice {
    std::string title;
    std::string body;
};

// The notice for a GNOME session without the extension's service; nothing when
// there is nothing the user can do. `shellMajor` 0: the shell did not say.
std::optional<ExtensionNotice> extensionNotice(ExtensionState state, ExtensionCopy copy, int shellMajor,
                                               const QString& folder);

// The notice for the program's bus name, which the extension answers, kept by
// another program (`holder`).
ExtensionNotice nameHeldNotice(const std::string& name, const std::string& holder);

} // namespace corv::desktop
