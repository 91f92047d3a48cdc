#include "model/Options.h"

#include "model/LoginServiceKit.h"
#include "model/MainStatusItem.h"
#include "model/Shared.h"
#include "platform/AppControl.h"
#include "platform/Platform.h"

namespace corv {

Options::Options() {
    runAtLogin.setWithoutObserver(LoginServiceKit::isExistLoginItems(platform::bundle().path()));
    hideIcon.setObserver([this](bool hide) { onHideIcon(hide); });
    runAtLogin.setObserver([this](bool wanted) { onRunAtLogin(wanted); });
}

Options& Options::shared() { return Shared<Options>::instance(); }

void Options::onHideIcon(bool hide) {
    if (auto* item = MainStatusItem::shared().item) item->setVisible(!hide);
    if (hide) platform::app().hide();
}

void Options::onRunAtLogin(bool wanted) {
    const std::string path = platform::bundle().path();
    const bool present = LoginServiceKit::isExistLoginItems(path);
    if (wanted == present) return;
    if (wanted) {
        LoginServiceKit::addLoginItems(path);
    } else {
        LoginServiceKit::removeLoginItems(path);
    }
    // Show what the session really has, so that a failed change does not pass for done.
    runAtLogin.setWithoutObserver(LoginServiceKit::isExistLoginItems(path));
}

void Options::encode(plist::KeyedEncoder& e) const {
    e.encode("sclAccEn", sclAccEn.get());
    e.encode("sclAcc", sclAcc.get());
    e.encode("autoCheckUpdates", autoCheckUpdates.get());
    e.encode("theme", theme.get());
    e.encode("tabSelection", tabSelection.get());
    e.encode("showDescription", showDescription.get());
    e.encode("hideIcon", hideIcon.get());
}

std::shared_ptr<Options> Options::decodeObject(const plist::KeyedDecoder& d) {
    // Every field is read before the object is made, so a failure leaves nothing behind.
    const auto vSclAccEn = d.decode<bool>("sclAccEn");
    const auto vSclAcc = d.decode<double>("sclAcc");
    const auto vAutoCheck = d.decode<bool>("autoCheckUpdates");
    const auto vTheme = d.decode<std::int64_t>("theme");
    const auto vTab = d.decode<std::int64_t>("tabSelection");
    const auto vShowDesc = d.decode<std::int64_t>("showDescription");
    const auto vHideIcon = d.decode<bool>("hideIcon");

    auto o = std::make_shared<Options>();
    o->sclAccEn.set(vSclAccEn);
    o->sclAcc.set(vSclAcc);
    o->autoCheckUpdates.set(vAutoCheck);
    o->theme.set(vTheme);
    o->tabSelection.set(vTab);
    o->showDescription.set(vShowDesc);
    o->hideIcon.set(vHideIcon);
    return o;
}

} // namespace corv
