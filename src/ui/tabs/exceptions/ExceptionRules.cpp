#include "ui/tabs/exceptions/ExceptionRules.h"

#include "engine/CurrentApp.h"
#include "model/AppDisplayName.h"
#include "model/InstalledAppScan.h"
#include "model/UIApp.h"
#include "platform/AppFolders.h"
#include "platform/Localization.h"
#include "platform/Platform.h"
#include "recorders/BindingPaths.h"
#include "recorders/CaptureTabs.h"
#include "ui/AppNameOrder.h"
#include "ui/Dialogs.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <limits>

namespace corv::ui::exceptions {

namespace {

double below(double screenHeight, double reserved) {
    if (!std::isfinite(screenHeight)) return std::numeric_limits<double>::infinity();
    return std::max(0.0, screenHeight - reserved);
}

void backToGlobal() {
    engine::CurrentApp::shared().settingsKey.clear();
    UIApp::shared().id.set("");
}

} // namespace

std::vector<std::string> appListOrder(const AppEntries& apps) { return appIdsByName(apps); }

std::string appRowName(const std::string& id) { return displayedAppName(id); }

std::string appPath(const std::string& id) {
    const AnApp* e = recorders::appEntry(id);
    return e ? decodedFilePath(e->url) : std::string();
}

bool addAppEntry(const std::string& id, const Url& url) {
    auto& apps = Apps::shared().a;
    if (apps.get().count(id)) return false;
    const AnApp* global = recorders::appEntry("");
    if (!global) return false;
    AnApp entry;
    entry.enabled = true;
    entry.url = url;
    entry.ges = global->ges;
    entry.key = global->key;
    entry.lct = global->lct;
    entry.rct = global->rct;
    entry.sct = global->sct;
    apps.modify([&](AppEntries& a) { a.emplace(id, std::move(entry)); });
    backToGlobal();
    return true;
}

void addPickedApp(const std::optional<Application>& clicked) {
    if (!clicked || clicked->id.empty()) return;
    addAppEntry(clicked->id, clicked->url);
}

void addAppManually() {
    runIfNoDialog([] {
        OpenPanel panel;
        panel.title = "Choose an app to add";
        // Applications on Linux are desktop entries, the user's own first.
        panel.filters = {{"Applications", {"desktop"}}};
        panel.directory = platform::appFolders().userEntryFolder();
        const std::optional<std::string> chosen = dialogs().runOpenPanel(panel);
        if (!chosen || chosen->empty()) return;
        platform::AppFolders& folders = platform::appFolders();
        const std::optional<platform::AppItemValues> v = folders.resourceValues(*chosen);
        if (!v || !v->isApplication || !v->isExecutable) return;
        const std::optional<std::string> id = folders.bundleIdentifier(*chosen);
        if (!id) {
            dialogs().runAlert({"Corvadine", platform::localized("Message invalid"), {platform::localized("Button ok")}});
            return;
        }
        if (id->empty()) return;
        addAppEntry(*id, Url::fileFromPath(*chosen, "/"));
    });
}

void deleteApp(const std::string& id) {
    Apps::shared().a.modify([&](AppEntries& a) { a.erase(id); });
    backToGlobal();
}

bool matchesSearch(const std::string& name, const std::string& search) {
    return search.empty() || QString::fromStdString(name).contains(QString::fromStdString(search), Qt::CaseInsensitive);
}

std::vector<Application> pickerRows(const ApplicationSet& set, const std::string& search) {
    std::vector<Application> rows;
    for (const Application& app : set)
        if (matchesSearch(app.name, search)) rows.push_back(app);
    return sortAppsByName(std::move(rows));
}

double exceptionsListMaxHeight(double screenHeight) { return below(screenHeight, 183); }
double installedPickerMaxHeight(double screenHeight) { return below(screenHeight, 160); }
double runningPickerMaxHeight(double screenHeight) { return below(screenHeight, 160 + 109); }
double keyPopoverListMaxHeight(double screenHeight) { return below(screenHeight, 110); }

void PopoverCapture::begin() {
    if (active_) return;
    active_ = true;
    UIApp::shared().id.set(appid_);
    if (kind_ == Capture::Gesture)
        recorders::beginGestureCapture();
    else
        recorders::beginKeyCapture();
}

void PopoverCapture::end() {
    if (!active_) return;
    active_ = false;
    if (kind_ == Capture::Gesture)
        recorders::endGestureCapture();
    else
        recorders::endKeyCapture();
}

} // namespace corv::ui::exceptions
