#pragma once

#include "model/LogiKeyOpt.h"
#include "model/Observable.h"
#include "platform/PropertyList.h"

#include <memory>
#include <vector>

namespace corv {

// The stored options of every Logitech keyboard ever initialised.
class LogiKeysOpt : public ObservableObject {
public:
    static LogiKeysOpt& shared();

    Published<std::vector<LogiKeyOpt>> k{willChange_};  // stored as "logiKeybs"

    void encode(plist::KeyedEncoder& e) const;
    // A keyboard that does not decode is dropped alone.
    static std::shared_ptr<LogiKeysOpt> decodeObject(const plist::KeyedDecoder& d);
};

} // namespace corv
