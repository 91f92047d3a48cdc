#include "app/CorvadineApp.h"

#include "app/AppDelegate.h"
#include "app/Relaunch.h"
#include "platform/Localization.h"
#include "platform/Platform.h"

namespace corv::app {

CorvadineApp::CorvadineApp() {
    auto& delegate = AppDelegate::shared();
    auto& ax = platform::axObservers();
    if (ax.isProcessTrusted() || ax.isProcessTrustedWithPrompt()) return;
    // What is missing comes ahead of the message, where the system can say.
    std::string informative = platform::localized("trusted alert message");
    if (const auto missing = ax.missingPermissions(); !missing.empty()) {
        std::string lines = platform::localized("trusted alert missing");
        for (const auto& item : missing) lines += "\n" + item;
        informative = lines + "\n\n" + informative;
    }
    const int answer = platform::lifecycle().runAlert({platform::localized("trusted alert title"), informative,
                                                       {platform::localized("Button relaunch"),
                                                        platform::localized("Button cancel")}});
    if (answer == platform::kAlertFirstButton) {
        delegate.restartClick();
    } else {
        delegate.quitClick();
    }
}

void CorvadineApp::launch() {
    auto& delegate = AppDelegate::shared();
    if (delegate.terminationRequested) return;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching();
}

} // namespace corv::app
