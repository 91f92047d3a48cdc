#pragma once

#include "model/Observable.h"
#include "platform/PropertyList.h"

#include <cstdint>
#include <memory>

namespace corv {

// The general switches.
class Options : public ObservableObject {
public:
    // Defaults; runAtLogin is read from the session's login items.
    Options();

    static Options& shared();

    Published<std::int64_t> showDescription{willChange_, 1};
    Published<bool> hideIcon{willChange_, false};
    Published<bool> runAtLogin{willChange_, false};  // never stored
    Published<bool> sclAccEn{willChange_, false};
    Published<double> sclAcc{willChange_, 15.0};
    Published<bool> autoCheckUpdates{willChange_, true};
    Published<std::int64_t> theme{willChange_, 0};  // bit 0: mic-mute notification, bit 1: caps-lock notification
    Published<std::int64_t> tabSelection{willChange_, 0};

    void encode(plist::KeyedEncoder& e) const;
    static std::shared_ptr<Options> decodeObject(const plist::KeyedDecoder& d);

private:
    void onHideIcon(bool hide);
    void onRunAtLogin(bool wanted);
};

} // namespace corv
