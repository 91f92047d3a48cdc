#pragma once

#include "model/AnApp.h"
#include "model/Observable.h"
#include "platform/PropertyList.h"

#include <map>
#include <memory>
#include <string>

namespace corv {

using AppEntries = std::map<std::string, AnApp>;

// All bindings: application id → its entry; the empty id is the global profile.
class Apps : public ObservableObject {
public:
    static Apps& shared();

    Published<AppEntries> a{willChange_};

    // Replaces the global profile with its default entry.
    void setDefaultGlobalEntry();

    void encode(plist::KeyedEncoder& e) const;
    // An entry that does not decode is dropped alone; the others load.
    static std::shared_ptr<Apps> decodeObject(const plist::KeyedDecoder& d);
};

} // namespace corv
