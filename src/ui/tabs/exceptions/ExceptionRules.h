#pragma once

// The exceptions tab's rules: the list's order and names, adding an
// application (from a picker or by hand), deleting one, the pickers' rows,
// the heights the lists may take, and the captures a row's popovers hold.

#include "model/ApplicationSets.h"
#include "model/Apps.h"

#include <optional>
#include <string>
#include <vector>

namespace corv::ui::exceptions {

// Keys of the entries by lower-cased display name; the global profile has no
// row.
std::vector<std::string> appListOrder(const AppEntries& apps);
// The display name of the entry's url; the id for an entry at "/" or one
// that is gone.
std::string appRowName(const std::string& id);
// The file path of an entry's url; "" when it is gone.
std::string appPath(const std::string& id);

// A new entry from the global profile's bindings and click-through flags.
// Nothing when the id is taken or the global profile is missing; else the
// engine and the panel go back to the global profile.
bool addAppEntry(const std::string& id, const Url& url);
// A picker's click: the clicked record (not the hovered one) is added.
void addPickedApp(const std::optional<Application>& clicked);
// The add-manually flow with its dialogs; nothing while another dialog shows.
void addAppManually();
// Removes the entry; the engine and the panel go back to the global profile.
void deleteApp(const std::string& id);

// The picker's rows: names containing the search text (ignoring case), by
// lower-cased name.
std::vector<Application> pickerRows(const ApplicationSet& set, const std::string& search);
bool matchesSearch(const std::string& name, const std::string& search);

// Heights from the screen's height (unlimited while it is unknown).
double exceptionsListMaxHeight(double screenHeight);
double installedPickerMaxHeight(double screenHeight);
double runningPickerMaxHeight(double screenHeight);
double keyPopoverListMaxHeight(double screenHeight);

enum class Capture { Gesture, Key };

// A popover's capture: opening selects the application and starts it,
// ending stops it once, however often it is asked, and so does dropping it.
class PopoverCapture {
public:
    PopoverCapture(std::string appid, Capture kind) : appid_(std::move(appid)), kind_(kind) {}
    ~PopoverCapture() { end(); }
    PopoverCapture(const PopoverCapture&) = delete;
    PopoverCapture& operator=(const PopoverCapture&) = delete;

    void begin();
    void end();
    bool active() const { return active_; }

private:
    std::string appid_;
    Capture kind_;
    bool active_ = false;
};

} // namespace corv::ui::exceptions
