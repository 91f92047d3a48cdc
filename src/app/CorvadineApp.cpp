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
    const int answer = platform::lifecycle().runAlert({platform::localized("trusted alert title"),
                                                       platform::localized("trusted alert message"),
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
