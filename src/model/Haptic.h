#pragma once

#include "model/Buzz.h"
#include "model/Observable.h"
#include "platform/PropertyList.h"

#include <memory>

namespace corv {

// Haptic feedback: sEnable/sPara for the pulse when a bound action starts,
// mEnable/mPara for each repeated firing of a multi-shot action.
class Haptic : public ObservableObject {
public:
    static Haptic& shared();

    Published<bool> mEnable{willChange_, true};
    Published<bool> sEnable{willChange_, true};
    Published<Buzz> mPara{willChange_, Buzz{}};
    Published<Buzz> sPara{willChange_, Buzz{}};

    void encode(plist::KeyedEncoder& e) const;
    static std::shared_ptr<Haptic> decodeObject(const plist::KeyedDecoder& d);
};

} // namespace corv
