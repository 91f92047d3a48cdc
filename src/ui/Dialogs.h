#pragma once

// The panel's modal dialogs: save and open panels and alerts, behind one
// interface so that tests can script them. Qt-free.

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace corv::ui {

// One choice of the panels' type menu: {"Property list", {"plist"}}.
struct FileFilter {
    std::string name;
    std::vector<std::string> suffixes;
};

struct SavePanel {
    std::string title;
    std::string presetName;
    std::vector<FileFilter> filters;
    bool canCreateDirectories = true;
    std::string directory;  // empty: the home folder
};

// Picks one existing file, or one directory.
struct OpenPanel {
    std::string title;
    std::string presetName;
    std::vector<FileFilter> filters;
    bool chooseFiles = true;
    bool chooseDirectories = false;
    std::string directory;  // empty: the home folder
};

struct AlertBox {
    std::string message;
    std::string informative;
    std::vector<std::string> buttons;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The chosen path; nothing when cancelled.
    virtual std::optional<std::string> runSavePanel(const SavePanel& panel) = 0;
    virtual std::optional<std::string> runOpenPanel(const OpenPanel& panel) = 0;
    // The pressed button's index from 0; -1 when closed without one.
    virtual int runAlert(const AlertBox& alert) = 0;
};

// The installed dialogs; the Qt ones unless a test installed others.
Dialogs& dialogs();
// nullptr restores the Qt ones.
void setDialogs(Dialogs* d);

// Counts one dialog in `UIState.dialogShowing` for its lifetime.
class DialogScope {
public:
    DialogScope();
    ~DialogScope();
    DialogScope(const DialogScope&) = delete;
    DialogScope& operator=(const DialogScope&) = delete;
};

// Runs the action inside a DialogScope unless a dialog is showing already;
// false when it did not run.
bool runIfNoDialog(const std::function<void()>& action);

// The Qt dialogs, parented to the active window.
Dialogs& qtDialogs();

} // namespace corv::ui
