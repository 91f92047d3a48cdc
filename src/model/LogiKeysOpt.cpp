#include "model/LogiKeysOpt.h"

#include "model/Shared.h"
#include "model/TolerantDecoding.h"

namespace corv {

LogiKeysOpt& LogiKeysOpt::shared() { return Shared<LogiKeysOpt>::instance(); }

void LogiKeysOpt::encode(plist::KeyedEncoder& e) const { e.encode("logiKeybs", k.get()); }

std::shared_ptr<LogiKeysOpt> LogiKeysOpt::decodeObject(const plist::KeyedDecoder& d) {
    auto keyboards = decodeEachDroppingFailures<LogiKeyOpt>(d, "logiKeybs");
    auto o = std::make_shared<LogiKeysOpt>();
    o->k.set(std::move(keyboards));
    return o;
}

} // namespace corv
