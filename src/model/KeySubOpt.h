#pragma once

#include "model/KeySub.h"
#include "model/Observable.h"
#include "platform/PropertyList.h"

#include <memory>
#include <vector>

namespace corv {

// The modifier-key substitutions of every keyboard, and their master switch.
class KeySubOpt : public ObservableObject {
public:
    static KeySubOpt& shared();

    Published<bool> subGlobalEn{willChange_, false};
    Published<std::vector<KeySub>> keySub{willChange_};  // stored as "keyboards"

    void encode(plist::KeyedEncoder& e) const;
    // A keyboard that does not decode is dropped alone.
    static std::shared_ptr<KeySubOpt> decodeObject(const plist::KeyedDecoder& d);
};

} // namespace corv
